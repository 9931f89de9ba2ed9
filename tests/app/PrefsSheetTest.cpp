#include "AppFixture.h"

#include "app/AppCommands.h"
#include "app/PrefsBlock.h"
#include "app/PrefsTree.h"
#include "platform/PropertySheet.h"
#include "platform/SpinEdit.h"
#include "views/VolraBlockView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

using Sheet = CPropertySheet;

CPrefsTree& TreePage(Sheet& s) { return *static_cast<CPrefsTree*>(s.GetPage(0)); }
CPrefsBlock& BlockPage(Sheet& s) { return *static_cast<CPrefsBlock*>(s.GetPage(1)); }

void Type(CSpinEdit* pSpin, const char* text)
{
    pSpin->GetEdit()->clear();
    QTest::keyClicks(pSpin->GetEdit(), QString::fromLatin1(text));
}

// Carries out the action and returns the text of the message box it opened, answered at
// once; empty when it opened none.
std::string BoxFrom(const std::function<void()>& action)
{
    std::string text;
    QObject scope;  // a timer that found no box dies with it
    QTimer::singleShot(0, &scope, [&text] {
        if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = pBox->text().toStdString();
            pBox->accept();
        }
    });
    action();
    return text;
}

// The block view of the active search, laid out over a fixed area.
CVolraBlockView* PaintedBlockView(AppFixture& f)
{
    auto* pView = dynamic_cast<CVolraBlockView*>(f.Frame().GetActiveChildFrame()->GetModeView(CChildFrame::kBlock));
    pView->resize(1200, 500);
    pView->grab();
    return pView;
}

// Where the current directory's children start below or beside its label: the label
// font's height, or the border where that is more.
int LabelStrip(const CVolraBlockView& view)
{
    const auto& blocks = view.GetLayout().Blocks();
    EXPECT_GE(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].label, CBlockLayout::Label::Across) << "the root's name fits across";
    return blocks.size() < 2 ? -1 : blocks[1].rect.top - blocks[0].rect.top;
}

}  // namespace

TEST(PrefsSheet, OkTakesTheValuesAndRedrawsEveryOpenSearchAtOnce)
{
    AppFixture f;
    ASSERT_NE(f.Open(), nullptr);
    CVolraBlockView* view = PaintedBlockView(f);
    const int stripBefore = LabelStrip(*view);
    std::string pickedFace;

    WhenModal<Sheet>([&](Sheet& s) {
        EXPECT_EQ(s.windowTitle(), "Preferences");
        QStringList tabs;
        for (int i = 0; i < s.GetTabControl()->count(); ++i)
            tabs << s.GetTabControl()->tabText(i);
        EXPECT_EQ(tabs, (QStringList{"Tree mode", "Block Mode", "List Mode", "Pie Mode"}));
        EXPECT_EQ(s.GetActiveIndex(), 0);
        EXPECT_TRUE(TreePage(s).m_wndShowSizes->isChecked());
        TreePage(s).m_wndShowSizes->click();

        s.GetTabControl()->setCurrentIndex(1);
        CPrefsBlock& block = BlockPage(s);
        EXPECT_EQ(block.m_wndFontSizeSpin->GetEdit()->text(), "16");
        EXPECT_EQ(block.m_wndBorderSpin->GetEdit()->text(), "14");
        ASSERT_GT(block.m_wndFontList->count(), 0) << "every font family is listed";
        QTest::keyClick(block.m_wndFontList, Qt::Key_Down);  // a pick from the list
        pickedFace = block.m_wndFontList->currentText().toStdString();
        Type(block.m_wndFontSizeSpin, "30");
        Type(block.m_wndBorderSpin, "3");
        s.GetTabControl()->setCurrentIndex(3);
        QTest::mouseClick(s.GetOkButton(), Qt::LeftButton);
    });
    f.Command(ID_PREFERENCES);

    const CVolraPrefs& prefs = AfxGetPrefs();
    EXPECT_EQ(prefs.m_bShowSizes, 0);
    EXPECT_EQ(prefs.m_nFontSizeLarge, 30);
    EXPECT_EQ(prefs.m_nBorder, 3);
    EXPECT_EQ(prefs.m_strFontFace, pickedFace);
    EXPECT_EQ(prefs.m_fontLarge.family().toStdString(), pickedFace) << "the fonts are built anew";
    EXPECT_TRUE(view->GetLayout().IsEmpty()) << "the open search was told to redraw";
    view->grab();
    EXPECT_EQ(LabelStrip(*view), std::max(QFontMetrics(prefs.m_fontLarge, view).height(), 3));
    EXPECT_GT(LabelStrip(*view), stripBefore);
}

TEST(PrefsSheet, CancelAndEscapeChangeNothingAndRedrawNothing)
{
    AppFixture f;
    ASSERT_NE(f.Open(), nullptr);
    const CVolraBlockView* view = PaintedBlockView(f);
    const std::function<void(Sheet&)> leave[] = {
        [](Sheet& s) { QTest::mouseClick(s.GetCancelButton(), Qt::LeftButton); },
        [](Sheet& s) { QTest::keyClick(&s, Qt::Key_Escape); },
    };
    for (const auto& leaveSheet : leave) {
        WhenModal<Sheet>([&](Sheet& s) {
            TreePage(s).m_wndShowSizes->click();
            s.GetTabControl()->setCurrentIndex(1);
            Type(BlockPage(s).m_wndFontSizeSpin, "40");
            Type(BlockPage(s).m_wndBorderSpin, "2");
            QTest::keyClick(BlockPage(s).m_wndFontList, Qt::Key_Down);
            s.GetTabControl()->setCurrentIndex(0);
            leaveSheet(s);
        });
        f.Command(ID_PREFERENCES);
        const CVolraPrefs& prefs = AfxGetPrefs();
        EXPECT_EQ(prefs.m_bShowSizes, 1);
        EXPECT_EQ(prefs.m_nFontSizeLarge, 16);
        EXPECT_EQ(prefs.m_nBorder, 14);
        EXPECT_EQ(prefs.m_strFontFace, "Tahoma");
        EXPECT_FALSE(view->GetLayout().IsEmpty()) << "no view was told to redraw";
    }
}

TEST(PrefsSheet, NumbersAreTakenAsTypedAndTheFaceAsStored)
{
    AppFixture f;
    AfxGetPrefs().m_strFontFace = "No Such Face 4711";
    WhenModal<Sheet>([&](Sheet& s) {
        s.GetTabControl()->setCurrentIndex(1);
        CPrefsBlock& block = BlockPage(s);
        EXPECT_EQ(block.m_wndFontList->currentIndex(), -1) << "no family matches";

        // Digits only; the arrows step within their range and lead into it from outside.
        struct Step {
            CSpinEdit* spin;
            const char* typed;
            Qt::Key key;
            const char* after;
        };
        const Step steps[] = {
            {block.m_wndBorderSpin, "-5x", Qt::Key_Up, "6"},    // typed as "5"
            {block.m_wndBorderSpin, "0", Qt::Key_Up, "1"},
            {block.m_wndBorderSpin, "1", Qt::Key_Down, "1"},
            {block.m_wndBorderSpin, "64", Qt::Key_Up, "64"},
            {block.m_wndFontSizeSpin, "200", Qt::Key_Down, "64"},
            {block.m_wndFontSizeSpin, "200", Qt::Key_Up, "200"},
            {block.m_wndFontSizeSpin, "2", Qt::Key_PageUp, "12"},
        };
        for (const Step& step : steps) {
            Type(step.spin, step.typed);
            QTest::keyClick(step.spin, step.key);
            EXPECT_EQ(step.spin->GetEdit()->text().toStdString(), step.after) << step.typed << " " << step.key;
        }
        Type(block.m_wndBorderSpin, "0");
        Type(block.m_wndFontSizeSpin, "200");
        s.accept();
    });
    f.Command(ID_PREFERENCES);
    EXPECT_EQ(AfxGetPrefs().m_nBorder, 0);
    EXPECT_EQ(AfxGetPrefs().m_nFontSizeLarge, 200);
    EXPECT_EQ(AfxGetPrefs().m_strFontFace, "No Such Face 4711");

    // A face that selects a family in another case is kept in its own.
    const std::string face = QFontDatabase::families().value(0).toLower().toStdString();
    ASSERT_FALSE(face.empty());
    AfxGetPrefs().m_strFontFace = face;
    WhenModal<Sheet>([&](Sheet& s) {
        s.GetTabControl()->setCurrentIndex(1);
        EXPECT_TRUE(BlockPage(s).m_wndFontList->currentText().startsWith(QString::fromStdString(face), Qt::CaseInsensitive));
        s.accept();
    });
    f.Command(ID_PREFERENCES);
    EXPECT_EQ(AfxGetPrefs().m_strFontFace, face);

    // The stored face selects the first family it begins, case aside, from the second on.
    QComboBox list;
    list.addItems({"Arial", "DejaVu Sans", "DejaVu Sans Mono", "dejavu serif"});
    const std::pair<const char*, int> faces[] = {
        {"dejavu", 1}, {"DEJAVU SANS M", 2}, {"arial", 0}, {"", 1}, {"Arial Black", -1},
    };
    for (const auto& [face, index] : faces) {
        CPrefsBlock::SelectFace(&list, face);
        EXPECT_EQ(list.currentIndex(), index) << face;
    }
}

TEST(PrefsSheet, ANumberThatIsNotAnIntegerKeepsThePage)
{
    AppFixture f;
    for (const char* typed : {"", "99999999999"}) {
        WhenModal<Sheet>([&](Sheet& s) {
            s.GetTabControl()->setCurrentIndex(1);
            QLineEdit* edit = BlockPage(s).m_wndFontSizeSpin->GetEdit();
            Type(BlockPage(s).m_wndFontSizeSpin, typed);
            EXPECT_EQ(BoxFrom([&] { QTest::mouseClick(s.GetOkButton(), Qt::LeftButton); }), "Please enter an integer.");
            EXPECT_TRUE(s.isVisible());
            EXPECT_EQ(BoxFrom([&] { s.GetTabControl()->setCurrentIndex(2); }), "Please enter an integer.");
            EXPECT_EQ(s.GetActiveIndex(), 1);
            EXPECT_EQ(s.GetTabControl()->currentIndex(), 1);
            EXPECT_EQ(s.focusWidget(), BlockPage(s).m_wndFontSizeSpin) << "the field to correct has the focus";
            EXPECT_EQ(edit->selectedText(), edit->text());
            Type(BlockPage(s).m_wndFontSizeSpin, "12");
            EXPECT_EQ(BoxFrom([&] { s.GetTabControl()->setCurrentIndex(2); }), "");
            EXPECT_EQ(s.GetActiveIndex(), 2);
            QTest::mouseClick(s.GetOkButton(), Qt::LeftButton);
        });
        f.Command(ID_PREFERENCES);
        EXPECT_EQ(AfxGetPrefs().m_nFontSizeLarge, 12);
    }
}
