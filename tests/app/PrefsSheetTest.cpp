#include "AppFixture.h"

#include "app/AppCommands.h"
#include "app/PrefsBlock.h"
#include "app/PrefsTree.h"
#include "framework/PropertySheet.h"
#include "framework/SpinEdit.h"
#include "views/VolraBlockView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

using Sheet = CPropertySheet;

CPrefsBlock& BlockPage(Sheet& s) { return *static_cast<CPrefsBlock*>(s.GetPage(1)); }

void Type(CSpinEdit* pSpin, const char* text)
{
    pSpin->GetEdit()->clear();
    QTest::keyClicks(pSpin->GetEdit(), QString::fromLatin1(text));
}

}  // namespace

TEST(PrefsSheet, OkTakesTheValuesAndRedrawsAtOnceCancelAndEscapeChangeNothing)
{
    AppFixture f;
    ASSERT_NE(f.Open(), nullptr);
    auto* view = dynamic_cast<CVolraBlockView*>(f.Frame().GetActiveChildFrame()->GetModeView(CChildFrame::kBlock));
    view->resize(1200, 500);
    view->grab();  // lays the blocks out: a redraw request empties the layout
    const CVolraPrefs& prefs = AfxGetPrefs();
    const auto values = [&] {
        return std::tuple(prefs.m_bShowSizes, prefs.m_nFontSizeLarge, prefs.m_nBorder, prefs.m_strFontFace);
    };
    const std::function<void(Sheet&)> endings[] = {
        [](Sheet& s) { QTest::mouseClick(s.GetCancelButton(), Qt::LeftButton); },
        [](Sheet& s) { QTest::keyClick(&s, Qt::Key_Escape); },
        [](Sheet& s) { QTest::mouseClick(s.GetOkButton(), Qt::LeftButton); },
    };
    std::string picked;
    for (const auto& end : endings) {
        WhenModal<Sheet>([&](Sheet& s) {
            EXPECT_EQ(s.GetActiveIndex(), 0);
            static_cast<CPrefsTree*>(s.GetPage(0))->m_wndShowSizes->click();
            s.GetTabControl()->setCurrentIndex(1);
            EXPECT_EQ(BlockPage(s).m_wndFontSizeSpin->GetEdit()->text(), "16");
            EXPECT_EQ(BlockPage(s).m_wndBorderSpin->GetEdit()->text(), "14");
            QTest::keyClick(BlockPage(s).m_wndFontList, Qt::Key_Down);  // a pick from the list
            picked = BlockPage(s).m_wndFontList->currentText().toStdString();
            Type(BlockPage(s).m_wndFontSizeSpin, "30");
            Type(BlockPage(s).m_wndBorderSpin, "3");
            s.GetTabControl()->setCurrentIndex(3);
            end(s);
        });
        f.Command(ID_PREFERENCES);
        if (&end != &endings[2]) {
            EXPECT_EQ(values(), std::tuple(1, 16, 14, "Tahoma"));
            EXPECT_FALSE(view->GetLayout().IsEmpty()) << "no view was told to redraw";
        }
    }
    ASSERT_FALSE(picked.empty()) << "every font family is listed";
    EXPECT_EQ(values(), std::tuple(0, 30, 3, picked));
    EXPECT_EQ(prefs.m_fontLarge.family().toStdString(), picked) << "the fonts are built anew";
    EXPECT_TRUE(view->GetLayout().IsEmpty()) << "the open search was told to redraw";
    // The root's label strip holds the whole line and one row more, so children never cover
    // descenders.
    view->grab();
    const auto& blocks = view->GetLayout().Blocks();
    EXPECT_EQ(blocks.at(1).rect.top - blocks.at(0).rect.top, QFontMetrics(prefs.m_fontLarge, view).height() + 1);
}

// A number that is not an integer keeps the page, with its field to correct in focus.
TEST(PrefsSheet, NumbersAreTakenAsTypedAndTheFaceAsStored)
{
    AppFixture f;
    const std::string known = QFontDatabase::families().value(0).toLower().toStdString();
    const std::pair<std::string, const char*> cases[] = {{"No Such Face 4711", ""}, {known, "99999999999"}};
    for (const auto& [face, notAnInteger] : cases) {
        AfxGetPrefs().m_strFontFace = face;
        WhenModal<Sheet>([&](Sheet& s) {
            s.GetTabControl()->setCurrentIndex(1);
            CPrefsBlock& block = BlockPage(s);
            // A face no family begins shows the family the labels are drawn in instead.
            const QString shown = block.m_wndFontList->currentText();
            QFont drawnIn;
            drawnIn.setFamily(QString::fromStdString(face));
            EXPECT_TRUE(face == known ? shown.startsWith(QString::fromStdString(face), Qt::CaseInsensitive)
                                      : shown == QFontInfo(drawnIn).family() && !shown.isEmpty())
                << shown.toStdString();
            // Digits only; the arrows step within their range and lead into it from outside.
            const std::tuple<CSpinEdit*, const char*, Qt::Key, const char*> steps[] = {
                {block.m_wndBorderSpin, "-5x", Qt::Key_Up, "6"},
                {block.m_wndBorderSpin, "0", Qt::Key_Up, "1"},
                {block.m_wndBorderSpin, "1", Qt::Key_Down, "1"},
                {block.m_wndBorderSpin, "64", Qt::Key_Up, "64"},
                {block.m_wndFontSizeSpin, "200", Qt::Key_Down, "64"},
                {block.m_wndFontSizeSpin, "200", Qt::Key_Up, "200"},
                {block.m_wndFontSizeSpin, "2", Qt::Key_PageUp, "12"},
            };
            for (const auto& [spin, typed, key, after] : steps) {
                Type(spin, typed);
                QTest::keyClick(spin, key);
                EXPECT_EQ(spin->GetEdit()->text().toStdString(), after) << typed << " " << key;
            }
            Type(block.m_wndBorderSpin, "0");
            CSpinEdit* spin = block.m_wndFontSizeSpin;
            Type(spin, notAnInteger);
            ModalWatch boxes(true);
            QTest::mouseClick(s.GetOkButton(), Qt::LeftButton);
            EXPECT_TRUE(s.isVisible());
            EXPECT_EQ(boxes.texts, std::vector<std::string>{"Please enter an integer."});
            s.GetTabControl()->setCurrentIndex(2);
            EXPECT_EQ(boxes.texts.size(), 2u);
            EXPECT_EQ(s.GetActiveIndex(), 1);
            EXPECT_EQ(s.GetTabControl()->currentIndex(), 1);
            EXPECT_EQ(s.focusWidget(), spin);
            EXPECT_EQ(spin->GetEdit()->selectedText(), spin->GetEdit()->text());
            Type(spin, "200");
            s.GetTabControl()->setCurrentIndex(2);
            EXPECT_EQ(boxes.texts.size(), 2u);
            EXPECT_EQ(s.GetActiveIndex(), 2);
            QTest::mouseClick(s.GetOkButton(), Qt::LeftButton);
        });
        f.Command(ID_PREFERENCES);
        EXPECT_EQ(AfxGetPrefs().m_nBorder, 0);
        EXPECT_EQ(AfxGetPrefs().m_nFontSizeLarge, 200);
        EXPECT_EQ(AfxGetPrefs().m_strFontFace, face) << "a face matching no family, or in another case";
    }

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
