#include "DriveSelectDlg.h"

#include "framework/DriveIcons.h"
#include "framework/ErrorBox.h"
#include "framework/FileChooser.h"
#include "sys/FolderPath.h"
#include "framework/UiServices.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <array>

namespace {

constexpr int kDriveColumnWidth = 140;     // at least; wider when the mount paths need it
constexpr int kTitleColumnWidth = 100;
constexpr int kMinTitleColumnWidth = 80;  // what a wide "Drive" column must leave
constexpr int kRootRole = Qt::UserRole;

// Dialog units: a quarter of the font's average character width across, an eighth of its
// height down, so that the dialog grows with the user's font.
QRect DialogRect(const QFont& font, int x, int y, int w, int h)
{
    const QFontMetrics fm(font);
    const int cx = (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    const int cy = fm.height();
    return {(x * cx + 2) / 4, (y * cy + 4) / 8, (w * cx + 2) / 4, (h * cy + 4) / 8};
}

QString FromBytes(const std::string& str)
{
    return QString::fromUtf8(str.data(), static_cast<qsizetype>(str.size()));
}

}  // namespace

CDriveSelectDlg::CDriveSelectDlg(QWidget* pParent, std::vector<CDriveInfo> drives) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("Select drive to search..."));
    setWindowFlags(kDialogWindowFlags);
    CreateControls();
    FillList(drives);
}

void CDriveSelectDlg::CreateControls()
{
    const QFont dialogFont = font();
    const QRect size = DialogRect(dialogFont, 0, 0, 182, 90);
    setFixedSize(size.width(), size.height());

    m_pList = new QTreeWidget(this);
    m_pList->setGeometry(DialogRect(dialogFont, 7, 7, 168, 57));
    m_pList->setColumnCount(2);
    m_pList->setHeaderLabels({QStringLiteral("Drive"), QStringLiteral("Title")});
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
    m_pList->setColumnWidth(0, kDriveColumnWidth);
    m_pList->setColumnWidth(1, kTitleColumnWidth);

    m_pFolder = new QPushButton(QStringLiteral("&Folder..."), this);
    m_pFolder->setGeometry(DialogRect(dialogFont, 7, 70, 50, 14));
    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setGeometry(DialogRect(dialogFont, 66, 70, 50, 14));
    m_pOk->setDefault(true);
    m_pOk->setEnabled(false);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setGeometry(DialogRect(dialogFont, 125, 70, 50, 14));
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
        pItem->setText(0, FromBytes(drive.root));
        pItem->setText(1, FromBytes(drive.label));
        pItem->setIcon(0, icons[index]);
        // The text may have lost bytes that are not UTF-8; the root is kept as it came.
        pItem->setData(0, kRootRole, QByteArray(drive.root.data(), static_cast<qsizetype>(drive.root.size())));
    }
    m_pList->sortItems(0, Qt::AscendingOrder);
    // Mount paths run longer than drive letters: the column grows to show them whole,
    // as long as the label column keeps a useful width.
    const int room = m_pList->width() - 2 * m_pList->frameWidth()
                     - m_pList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pList);
    m_pList->resizeColumnToContents(0);
    const int wanted = m_pList->columnWidth(0) + 4;
    m_pList->setColumnWidth(0, std::max(kDriveColumnWidth, std::min(wanted, room - kMinTitleColumnWidth)));
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
    const std::string strChosen =
        ChooseFilePath(FileChooser::Folder, this, QStringLiteral("Select folder to search"));
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
