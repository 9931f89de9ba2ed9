#include "DriveSelectDlg.h"

#include "DriveListDelegate.h"
#include "framework/DriveIcons.h"
#include "framework/ErrorBox.h"
#include "framework/FileChooser.h"
#include "framework/UiServices.h"
#include "model/FormatSize.h"
#include "sys/ErrorText.h"
#include "sys/FolderPath.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr int kDriveColumnWidth = 120;  // at least; wider when the mount paths need it
constexpr int kMinTitleColumnWidth = 80;  // what a wide "Drive" column must leave
constexpr int kRootRole = Qt::UserRole;
constexpr int kSpacePollMs = 100;
static_assert(kRootRole != CDriveListDelegate::kUsageRole);

// Answers from a server or a FUSE daemon may never come; local file systems answer at once.
bool MayHang(const CDriveInfo& drive) { return drive.kind == DriveKind::Network || drive.fsType.starts_with("fuse"); }

std::int64_t AsSize(std::uint64_t bytes)
{
    return static_cast<std::int64_t>(std::min<std::uint64_t>(bytes, std::numeric_limits<std::int64_t>::max()));
}

// Dialog units: a quarter of the font's average character width across, an eighth of its
// height down, so that the dialog grows with the user's font.
QRect DialogRect(const QFont& font, int x, int y, int w, int h)
{
    const QFontMetrics fm(font);
    const int cx =
        (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    const int cy = fm.height();
    return {(x * cx + 2) / 4, (y * cy + 4) / 8, (w * cx + 2) / 4, (h * cy + 4) / 8};
}

QString FromBytes(const std::string& str) { return QString::fromUtf8(str.data(), static_cast<qsizetype>(str.size())); }

}  // namespace

CDriveSelectDlg::CDriveSelectDlg(QWidget* pParent, std::vector<CDriveInfo> drives, DiskSpaceReader spaceReader)
    : QDialog(pParent), m_spaceReader(std::move(spaceReader))
{
    setWindowTitle(QStringLiteral("Select drive to search..."));
    setWindowFlags(kDialogWindowFlags);
    CreateControls();
    m_pSpaceTimer = new QTimer(this);
    connect(m_pSpaceTimer, &QTimer::timeout, this, &CDriveSelectDlg::PollSpace);
    FillList(drives);
}

void CDriveSelectDlg::CreateControls()
{
    const QFont dialogFont = font();
    const QRect size = DialogRect(dialogFont, 0, 0, 320, 110);
    setFixedSize(size.width(), size.height());

    m_pList = new QTreeWidget(this);
    m_pList->setGeometry(DialogRect(dialogFont, 7, 7, 306, 77));
    m_pList->setColumnCount(kColumnCount);
    m_pList->setHeaderLabels({QStringLiteral("Drive"), QStringLiteral("Title"), QStringLiteral("Size"),
                              QStringLiteral("Used"), QStringLiteral("Free")});
    for (int column : {kSizeColumn, kUsedColumn, kFreeColumn})
        m_pList->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    m_pList->setItemDelegate(new CDriveListDelegate(m_pList));
    m_pList->setRootIsDecorated(false);
    m_pList->setItemsExpandable(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setIconSize(QSize(16, 16));
    m_pList->setAllColumnsShowFocus(true);
    m_pList->header()->setSectionsClickable(false);
    m_pList->header()->setSectionsMovable(false);

    m_pFolder = new QPushButton(QStringLiteral("&Folder..."), this);
    m_pFolder->setGeometry(DialogRect(dialogFont, 7, 90, 50, 14));
    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setGeometry(DialogRect(dialogFont, 204, 90, 50, 14));
    m_pOk->setDefault(true);
    m_pOk->setEnabled(false);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setGeometry(DialogRect(dialogFont, 263, 90, 50, 14));
    // Only OK answers Enter; a focused Cancel or Folder must not take the default role from it.
    m_pCancel->setAutoDefault(false);
    m_pFolder->setAutoDefault(false);

    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pFolder, &QPushButton::clicked, this, &CDriveSelectDlg::OnChooseFolder);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CDriveSelectDlg::OnSelectionChanged);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* pItem, int) { OnItemDoubleClicked(pItem); });
    m_pList->installEventFilter(this);
    m_pList->setFocus();
}

// The list marks its first row current, unselected, when it takes the focus; Down would
// step past it to the second. With nothing selected, Down selects the first row.
bool CDriveSelectDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pList && pEvent->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Down && m_pList->selectedItems().isEmpty()
        && m_pList->topLevelItemCount() > 0) {
        m_pList->setCurrentItem(m_pList->topLevelItem(0));
        return true;
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void CDriveSelectDlg::FillList(const std::vector<CDriveInfo>& drives)
{
    std::array<QIcon, 5> icons;
    for (const CDriveInfo& drive : drives) {
        const auto index = static_cast<std::size_t>(drive.kind);
        if (index >= icons.size())
            continue;
        if (icons[index].isNull())
            icons[index] = DriveIcon(drive.kind);
        auto* pItem = new QTreeWidgetItem(m_pList);
        pItem->setText(kDriveColumn, FromBytes(drive.root));
        pItem->setText(kTitleColumn, FromBytes(drive.label));
        pItem->setIcon(kDriveColumn, icons[index]);
        for (int column : {kSizeColumn, kUsedColumn, kFreeColumn})
            pItem->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        // The text may have lost bytes that are not UTF-8; the root is kept as it came.
        pItem->setData(kDriveColumn, kRootRole,
                       QByteArray(drive.root.data(), static_cast<qsizetype>(drive.root.size())));
        AskSpace(pItem, drive);
    }
    m_pList->sortItems(kDriveColumn, Qt::AscendingOrder);
    SetColumnWidths();
}

// The figures take the width of a disk of some terabytes ("9999.99G"); mount paths run longer
// than drive letters, so the Drive column grows to show them whole, as long as the Title
// column keeps a useful width. Whatever is cut shows whole in a tip.
void CDriveSelectDlg::SetColumnWidths()
{
    const QFontMetrics fm(m_pList->font());
    const int figure = fm.horizontalAdvance(QStringLiteral("9999.99G")) + 2 * fm.horizontalAdvance(QLatin1Char('0'));
    m_pList->setColumnWidth(kSizeColumn, figure);
    m_pList->setColumnWidth(kUsedColumn, figure + CDriveListDelegate::BarRect(QRect(0, 0, 1000, 10), fm).width() + 8);
    m_pList->setColumnWidth(kFreeColumn, figure);
    const int figures =
        m_pList->columnWidth(kSizeColumn) + m_pList->columnWidth(kUsedColumn) + m_pList->columnWidth(kFreeColumn);
    const int room = m_pList->width() - 2 * m_pList->frameWidth()
        - m_pList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pList) - figures;
    m_pList->resizeColumnToContents(kDriveColumn);
    const int wanted = m_pList->columnWidth(kDriveColumn) + 4;
    const int drive = std::max(std::min(kDriveColumnWidth, room / 2), std::min(wanted, room - kMinTitleColumnWidth));
    m_pList->setColumnWidth(kDriveColumn, drive);
    m_pList->setColumnWidth(kTitleColumn, std::max(kMinTitleColumnWidth, room - drive));
}

void CDriveSelectDlg::AskSpace(QTreeWidgetItem* pItem, const CDriveInfo& drive)
{
    if (!m_spaceReader)
        return;
    if (MayHang(drive)) {
        m_pendingSpace.push_back({pItem, CDiskSpaceQuery::Start(drive.root, m_spaceReader)});
        m_pSpaceTimer->start(kSpacePollMs);
        return;
    }
    CDiskSpace space;
    if (m_spaceReader(drive.root, space))
        ShowSpace(pItem, space);
}

void CDriveSelectDlg::PollSpace()
{
    std::erase_if(m_pendingSpace, [](const PendingSpace& pending) {
        bool bAnswered = false;
        CDiskSpace space;
        if (!pending.query->Done(bAnswered, space))
            return false;
        if (bAnswered)
            ShowSpace(pending.pItem, space);
        return true;
    });
    if (m_pendingSpace.empty())
        m_pSpaceTimer->stop();
}

void CDriveSelectDlg::ShowSpace(QTreeWidgetItem* pItem, const CDiskSpace& space)
{
    const auto text = [](std::uint64_t bytes) { return QString::fromStdString(FormatSize(AsSize(bytes))); };
    pItem->setText(kSizeColumn, text(space.total));
    pItem->setText(kUsedColumn, text(space.used));
    pItem->setText(kFreeColumn, text(space.available));
    pItem->setData(kUsedColumn, CDriveListDelegate::kUsageRole, space.UsedShare());
}

int CDriveSelectDlg::DoModal() { return exec() == QDialog::Accepted ? IDOK : IDCANCEL; }

std::string CDriveSelectDlg::RootOfItem(const QTreeWidgetItem* pItem)
{
    const QByteArray bytes = pItem->data(0, kRootRole).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void CDriveSelectDlg::TakeRow(const QTreeWidgetItem* pItem)
{
    m_strDrive = RootOfItem(pItem);
    m_strTitle = "Drive " + m_strDrive;
}

void CDriveSelectDlg::OnSelectionChanged()
{
    // An emptied selection disables OK again but leaves the last choice in the fields.
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (!selected.isEmpty())
        TakeRow(selected.front());
    m_pOk->setEnabled(!selected.isEmpty());
}

void CDriveSelectDlg::OnItemDoubleClicked(QTreeWidgetItem* pItem)
{
    if (pItem == nullptr)
        return;
    TakeRow(pItem);
    accept();
}

// The chooser answers in text, which cannot hold every name a file system allows: the
// answer, turned back into bytes, is searched only when it names a folder that is there.
// Otherwise this dialog stays up for another choice.
void CDriveSelectDlg::OnChooseFolder()
{
    const std::string strChosen = ChooseFilePath(FileChooser::Folder, this, QStringLiteral("Select folder to search"));
    if (strChosen.empty())
        return;
    std::string strFolder;
    std::string strError;
    if (!ResolveFolder(strChosen, strFolder, strError)) {
        ShowErrorBox(strError, this);
        return;
    }
    m_strDrive = strFolder;
    m_strTitle = "Folder " + strFolder;
    accept();
}
