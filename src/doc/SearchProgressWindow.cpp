#include "SearchProgressWindow.h"

#include "SearchAnimation.h"
#include "framework/DisplayText.h"
#include "framework/UiServices.h"

#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTextLayout>

#include <algorithm>

namespace {

// The layout is drawn in dialog units: a quarter of the font's average character width
// across and an eighth of its height down, so the dialog grows with the user's font.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics fm(font);
        const int alphabet =
            fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        m_cx = (alphabet / 26 + 1) / 2;
        m_cy = fm.height();
    }
    int X(int units) const { return (units * m_cx + 2) / 4; }
    int Y(int units) const { return (units * m_cy + 4) / 8; }
    QRect Rect(int x, int y, int w, int h) const { return {X(x), Y(y), X(w), Y(h)}; }

private:
    int m_cx = 0;
    int m_cy = 0;
};

QLabel* MakeLabel(QDialog* pDialog, const DialogUnits& du, QRect units, Qt::Alignment align,
                  const QString& strText = {})
{
    auto* pLabel = new QLabel(pDialog);
    // Names are shown as they are: no rich text, no "&" turned into a shortcut.
    pLabel->setTextFormat(Qt::PlainText);
    pLabel->setAlignment(align);
    pLabel->setText(strText);
    pLabel->setGeometry(du.Rect(units.x(), units.y(), units.width(), units.height()));
    return pLabel;
}

// Styles put a group box's title in different places: some cut the frame line with it,
// others stack it above the frame. Whatever the style, the box is moved so that its inside
// begins a little above the first row of controls, and it keeps its bottom edge.
void PlaceGroupBox(QGroupBox* pBox, const DialogUnits& du, QRect units, int contentsTopUnits)
{
    pBox->setGeometry(du.Rect(units.x(), units.y(), units.width(), units.height()));
    const int top = std::max(0, du.Y(contentsTopUnits) - pBox->contentsRect().top());
    pBox->setGeometry(du.X(units.x()), top, du.X(units.width()), du.Y(units.y() + units.height()) - top);
}

void MakeSunken(QLabel* pLabel)
{
    pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pLabel->setLineWidth(1);
    pLabel->setIndent(2);
}

struct Totals {
    QLabel* pFiles;
    QLabel* pDirectories;
    QLabel* pSize;
};

// The "Totals" group: three captions and the three sunken value boxes, which it returns.
Totals CreateTotals(QDialog* pDlg, const DialogUnits& du)
{
    auto* pTotals = new QGroupBox(QStringLiteral("Totals"), pDlg);
    PlaceGroupBox(pTotals, du, {55, 5, 120, 57}, 12);
    // The captions get the room their longest word needs when the font is wider than
    // the layout assumed, up to the value boxes.
    const QFontMetrics fm(pDlg->font());
    const int captionWidth = std::clamp(std::max(fm.horizontalAdvance(QStringLiteral("Files found")),
                                                 fm.horizontalAdvance(QStringLiteral("Directories")))
                                            + 2,
                                        du.X(35), du.X(48));
    QLabel* pFilesText =
        MakeLabel(pDlg, du, {60, 15, 35, 10}, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Files found"));
    pFilesText->resize(captionWidth, pFilesText->height());
    QLabel* pFiles = MakeLabel(pDlg, du, {110, 15, 60, 10}, Qt::AlignLeft | Qt::AlignVCenter);
    MakeSunken(pFiles);
    QLabel* pDirsText =
        MakeLabel(pDlg, du, {60, 30, 35, 20}, Qt::AlignRight | Qt::AlignTop, QStringLiteral("Directories searched"));
    pDirsText->setWordWrap(true);
    pDirsText->resize(captionWidth, pDirsText->height());
    QLabel* pDirectories = MakeLabel(pDlg, du, {110, 30, 60, 10}, Qt::AlignLeft | Qt::AlignVCenter);
    MakeSunken(pDirectories);
    QLabel* pSizeText =
        MakeLabel(pDlg, du, {60, 47, 35, 10}, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Size found"));
    pSizeText->resize(captionWidth, pSizeText->height());
    QLabel* pSize = MakeLabel(pDlg, du, {110, 47, 60, 10}, Qt::AlignLeft | Qt::AlignVCenter);
    MakeSunken(pSize);
    return {pFiles, pDirectories, pSize};
}

QString FromBytes(const std::string& str) { return QString::fromUtf8(str.data(), static_cast<qsizetype>(str.size())); }

}  // namespace

CSearchProgressWindow::CSearchProgressWindow(QWidget* pParent, std::function<void()> onCancel)
    : m_pDialog(new QDialog(pParent)), m_onCancel(std::move(onCancel))
{
    m_pDialog->setWindowTitle(QStringLiteral("Search in progress"));
    m_pDialog->setWindowFlags(kDialogWindowFlags);
    m_pDialog->setModal(false);
    CreateControls();
    // Rejecting (Cancel, Escape, close box) hides the dialog; the walk sees the flag.
    connect(m_pDialog, &QDialog::rejected, this, [this] {
        if (m_onCancel)
            m_onCancel();
    });
    // The walk disables the main window while it runs; the dialog must stay usable.
    m_pDialog->installEventFilter(this);
    m_pDialog->setEnabled(true);
}

CSearchProgressWindow::~CSearchProgressWindow()
{
    if (m_pDialog != nullptr) {
        m_pDialog->removeEventFilter(this);
        delete m_pDialog.data();
    }
}

void CSearchProgressWindow::CreateControls()
{
    QDialog* pDlg = m_pDialog;
    const DialogUnits du(pDlg->font());
    pDlg->setFixedSize(du.X(182), du.Y(137));

    auto* pAnimation = new CSearchAnimation(pDlg);
    pAnimation->setObjectName(kAnimationName);
    pAnimation->setGeometry(du.Rect(0, 15, 55, 35));

    const Totals totals = CreateTotals(pDlg, du);
    m_pFiles = totals.pFiles;
    m_pFiles->setObjectName(kFilesName);
    m_pDirectories = totals.pDirectories;
    m_pDirectories->setObjectName(kDirectoriesName);
    m_pSize = totals.pSize;
    m_pSize->setObjectName(kSizeName);

    // Under the animation, and only for a whole file system, whose inode count says how
    // much there is to find.
    m_pPercent = new QProgressBar(pDlg);
    m_pPercent->setObjectName(kPercentName);
    m_pPercent->setGeometry(du.Rect(5, 52, 45, 10));
    m_pPercent->setRange(0, 100);
    m_pPercent->setTextVisible(true);
    m_pPercent->setAlignment(Qt::AlignCenter);
    m_pPercent->hide();

    QLabel* pNow =
        MakeLabel(pDlg, du, {5, 67, 54, 8}, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Now searching..."));
    pNow->resize(std::max(pNow->width(), pNow->fontMetrics().horizontalAdvance(pNow->text()) + 2), pNow->height());
    m_pCurrentDir = MakeLabel(pDlg, du, {5, 77, 170, 40}, Qt::AlignLeft | Qt::AlignTop);
    m_pCurrentDir->setObjectName(kCurrentDirName);
    MakeSunken(m_pCurrentDir);

    auto* pCancel = new QPushButton(QStringLiteral("Cancel"), pDlg);
    pCancel->setObjectName(kCancelName);
    pCancel->setGeometry(du.Rect(65, 122, 50, 14));
    pCancel->setDefault(true);
    connect(pCancel, &QPushButton::clicked, pDlg, &QDialog::reject);
}

void CSearchProgressWindow::CentreOverParent()
{
    QDialog* pDlg = m_pDialog;
    QRect area;
    if (QWidget* pParent = pDlg->parentWidget())
        area = pParent->window()->frameGeometry();
    if (area.isEmpty()) {
        QScreen* pScreen = QGuiApplication::primaryScreen();
        area = pScreen != nullptr ? pScreen->availableGeometry() : QRect();
    }
    if (!area.isEmpty())
        pDlg->move(area.center() - QPoint(pDlg->width() / 2, pDlg->height() / 2));
}

void CSearchProgressWindow::Show()
{
    if (m_pDialog == nullptr)
        return;
    CentreOverParent();
    m_pDialog->show();
}

void CSearchProgressWindow::Hide()
{
    if (m_pDialog != nullptr)
        m_pDialog->hide();
}

void CSearchProgressWindow::SetTexts(const std::string& strFiles, const std::string& strDirectories,
                                     const std::string& strCurrentDir)
{
    if (m_pDialog == nullptr)
        return;
    m_pFiles->setText(FromBytes(strFiles));
    m_pDirectories->setText(FromBytes(strDirectories));
    m_pCurrentDir->setText(WrapForLabel(DisplayText(strCurrentDir)));
}

void CSearchProgressWindow::SetSize(const std::string& strSize)
{
    if (m_pSize != nullptr)
        m_pSize->setText(FromBytes(strSize));
}

void CSearchProgressWindow::SetPercent(int nPercent)
{
    if (m_pPercent == nullptr)
        return;
    m_pPercent->setVisible(nPercent >= 0);
    m_pPercent->setValue(std::clamp(nPercent, 0, 100));
}

QString CSearchProgressWindow::WrapForLabel(const QString& strText) const
{
    // A QLabel breaks lines only between words, and a deep path is often one long word:
    // the lines are broken here, between words where possible, else anywhere. Only the
    // beginning that the box can show is laid out: a path thousands of levels deep would
    // otherwise cost more at every update than the walk itself.
    const QRect room = m_pCurrentDir->contentsRect();
    const int width = room.width() - m_pCurrentDir->indent() - 1;
    const QString strShown = strText.left(kMaxShownChars);
    QTextLayout layout(strShown, m_pCurrentDir->font(), m_pCurrentDir);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << strShown.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines.join(QLatin1Char('\n'));
}

bool CSearchProgressWindow::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // Disabling the main window disables its children, this dialog included: undo that.
    // Checked with qobject_cast, never cast: while its parent destroys it, the dialog is
    // no QDialog any more, and then it is left alone.
    if (pEvent->type() == QEvent::EnabledChange)
        if (auto* pDialog = qobject_cast<QDialog*>(pWatched); pDialog != nullptr && !pDialog->isEnabled())
            pDialog->setEnabled(true);
    return QObject::eventFilter(pWatched, pEvent);
}
