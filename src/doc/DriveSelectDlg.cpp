#include "DriveSelectDlg.h"

#include <QDir>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
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

// Without a desktop session Qt may know no icon theme at all; the usual freedesktop
// folders are tried once, and whatever is still missing is drawn by DrawnIcon.
void EnsureIconTheme()
{
    static bool s_bTried = false;
    if (s_bTried || !QIcon::themeName().isEmpty())
        return;
    s_bTried = true;
    QStringList paths = QIcon::themeSearchPaths();
    const QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString icons = QDir(dir).filePath(QStringLiteral("icons"));
        if (!paths.contains(icons) && QDir(icons).exists())
            paths << icons;
    }
    QIcon::setThemeSearchPaths(paths);
    for (const QString& path : paths) {
        if (QDir(path).exists(QStringLiteral("Adwaita/index.theme"))) {
            QIcon::setThemeName(QStringLiteral("Adwaita"));
            return;
        }
    }
}

void DrawFloppy(QPainter& p)
{
    p.setPen(QColor(20, 30, 70));
    p.setBrush(QColor(45, 70, 150));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.fillRect(QRectF(9, 2.5, 1.5, 3), QColor(45, 70, 150));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 8.5, 9, 6));
}

void DrawHardDisc(QPainter& p)
{
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(190, 190, 195));
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 7), 1, 1);
    p.fillRect(QRectF(2, 9.5, 12, 1.5), QColor(120, 120, 125));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 40));
    p.drawEllipse(QPointF(12, 7), 1.2, 1.2);
}

void DrawCdRom(QPainter& p)
{
    QConicalGradient shine(QPointF(8, 8), 45);
    shine.setColorAt(0.0, QColor(230, 230, 240));
    shine.setColorAt(0.25, QColor(170, 200, 240));
    shine.setColorAt(0.5, QColor(240, 230, 200));
    shine.setColorAt(0.75, QColor(200, 170, 230));
    shine.setColorAt(1.0, QColor(230, 230, 240));
    p.setPen(QColor(90, 90, 100));
    p.setBrush(shine);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setBrush(QColor(250, 250, 250));
    p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
}

void DrawRemovable(QPainter& p)
{
    // A USB stick lying on its side, plug to the right.
    p.setPen(QColor(20, 40, 60));
    p.setBrush(QColor(40, 120, 190));
    p.drawRoundedRect(QRectF(0.5, 4.5, 10, 7), 1.5, 1.5);
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(QRectF(10.5, 5.5, 5, 5));
    p.fillRect(QRectF(12, 6.5, 1.5, 1), QColor(60, 60, 60));
    p.fillRect(QRectF(12, 8.5, 1.5, 1), QColor(60, 60, 60));
}

void DrawNetwork(QPainter& p)
{
    // A drive hanging off a network cable.
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(190, 190, 195));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 6), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 40));
    p.drawEllipse(QPointF(12, 4.5), 1.1, 1.1);
    p.setPen(QPen(QColor(30, 30, 30), 1.2));
    p.drawLine(QPointF(8, 8), QPointF(8, 13));
    p.drawLine(QPointF(1, 13.5), QPointF(15, 13.5));
    p.setBrush(QColor(60, 110, 200));
    p.setPen(QColor(20, 40, 90));
    p.drawRect(QRectF(6.5, 11.5, 3, 3));
}

QPixmap DrawnPixmap(DriveKind kind, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    switch (kind) {
    case DriveKind::Floppy: DrawFloppy(painter); break;
    case DriveKind::HardDisc: DrawHardDisc(painter); break;
    case DriveKind::CdRom: DrawCdRom(painter); break;
    case DriveKind::Removable: DrawRemovable(painter); break;
    case DriveKind::Network: DrawNetwork(painter); break;
    }
    return pixmap;
}

QString FromBytes(const std::string& str)
{
    return QString::fromUtf8(str.data(), static_cast<qsizetype>(str.size()));
}

}  // namespace

CDriveSelectDlg::CDriveSelectDlg(QWidget* pParent, std::vector<CDriveInfo> drives) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("Select drive to search..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
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

    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setGeometry(DialogRect(dialogFont, 36, 70, 50, 14));
    m_pOk->setDefault(true);
    m_pOk->setEnabled(false);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setGeometry(DialogRect(dialogFont, 96, 70, 50, 14));
    // Only OK answers Enter; a focused Cancel must not take the default role from it.
    m_pCancel->setAutoDefault(false);

    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CDriveSelectDlg::OnSelectionChanged);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* pItem, int) { OnItemDoubleClicked(pItem); });
    m_pList->setFocus();
}

void CDriveSelectDlg::FillList(const std::vector<CDriveInfo>& drives)
{
    std::array<QIcon, 5> icons;
    for (const CDriveInfo& drive : drives) {
        const auto index = static_cast<std::size_t>(drive.kind);
        if (index >= icons.size())
            continue;
        if (icons[index].isNull())
            icons[index] = IconOf(drive.kind);
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

QIcon CDriveSelectDlg::IconOf(DriveKind kind)
{
    static constexpr std::array<std::array<const char*, 2>, 5> kThemeNames = {{
        {"media-floppy", nullptr},
        {"drive-harddisk", nullptr},
        {"drive-optical", "media-optical"},
        {"drive-removable-media", "media-removable"},
        {"network-server", "folder-remote"},
    }};
    EnsureIconTheme();
    for (const char* name : kThemeNames.at(static_cast<std::size_t>(kind))) {
        if (name == nullptr)
            break;
        const QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
        if (!icon.isNull() && !icon.pixmap(16, 16).isNull())
            return icon;
    }
    return DrawnIcon(kind);
}

QIcon CDriveSelectDlg::DrawnIcon(DriveKind kind)
{
    QIcon icon;
    icon.addPixmap(DrawnPixmap(kind, 16));
    icon.addPixmap(DrawnPixmap(kind, 32));
    return icon;
}
