#include "FileTypeInfo.h"

#include "framework/DriveIcons.h"
#include "framework/IconTheme.h"
#include "model/Entry.h"

#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <unordered_map>

namespace {

// Shapes the program draws itself when the icon theme has nothing to offer.
enum class Drawn { Page, Folder, FolderOpen };

struct ImageListState {
    std::vector<QIcon> icons;
    std::vector<std::string> names;  // parallel to icons
    std::unordered_map<std::string, int> byIconName;  // one index per distinct icon
    // Answers already worked out, keyed by MIME type name or by directory / drive state,
    // so that a second .txt costs one hash lookup and no theme search.
    std::unordered_map<std::string, int> byLookupKey;
};

// Heap-allocated and never destroyed on purpose: destroying pixmaps after the application
// object has gone is unsafe, and the list must outlive every view anyway.
ImageListState& State()
{
    static auto* pState = new ImageListState;
    return *pState;
}

const std::string& DrawnName(Drawn shape)
{
    static const std::array<std::string, 3> names = {"drawn:page", "drawn:folder", "drawn:folder-open"};
    return names[static_cast<std::size_t>(shape)];
}

// ---- drawing our own icons ------------------------------------------------------------

// Every shape is drawn on a 16-unit grid scaled to the pixmap, outlines on half units so
// that the 16-pixel version is crisp; line is the outline width in grid units, so that
// larger sizes get thin lines rather than magnified ones.
void DrawPage(QPainter& painter, double line)
{
    QPainterPath page;
    page.moveTo(2.5, 0.5);
    page.lineTo(9.5, 0.5);
    page.lineTo(13.5, 4.5);
    page.lineTo(13.5, 15.5);
    page.lineTo(2.5, 15.5);
    page.closeSubpath();
    painter.setPen(QPen(QColor(0x60, 0x60, 0x60), line));
    painter.setBrush(Qt::white);
    painter.drawPath(page);
    QPainterPath corner;
    corner.moveTo(9.5, 0.5);
    corner.lineTo(9.5, 4.5);
    corner.lineTo(13.5, 4.5);
    painter.setBrush(QColor(0xd8, 0xd8, 0xd8));
    painter.drawPath(corner);
    painter.setPen(QPen(QColor(0xa0, 0xa0, 0xa0), line));
    for (double y : {7.5, 9.5, 11.5, 13.5})
        painter.drawLine(QPointF(4.5, y), QPointF(11.5, y));
}

void DrawFolder(QPainter& painter, double line, bool open)
{
    const QColor outline(0x8a, 0x62, 0x10);
    const QColor back(0xd9, 0xa4, 0x2e);
    const QColor front(0xf5, 0xc8, 0x5a);
    painter.setPen(QPen(outline, line));
    QPainterPath rear;  // the back panel with its tab
    rear.moveTo(0.5, 3.5);
    rear.lineTo(5.5, 3.5);
    rear.lineTo(6.5, 4.5);
    rear.lineTo(14.5, 4.5);
    rear.lineTo(14.5, 13.5);
    rear.lineTo(0.5, 13.5);
    rear.closeSubpath();
    painter.setBrush(back);
    painter.drawPath(rear);
    if (open) {
        // A sheet peeking out, then the front flap tipped forward.
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(2.5, 4.5, 10.0, 6.0));
        QPainterPath flap;
        flap.moveTo(3.0, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(13.0, 13.5);
        flap.lineTo(0.5, 13.5);
        flap.closeSubpath();
        painter.setBrush(front);
        painter.drawPath(flap);
    } else {
        painter.setBrush(front);
        painter.drawRect(QRectF(0.5, 6.5, 14.0, 7.0));
    }
}

QIcon DrawnIcon(Drawn shape)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        const double line = std::max(1, (size + 8) / 20) * 16.0 / size;  // whole pixels
        switch (shape) {
        case Drawn::Page:
            DrawPage(painter, line);
            break;
        case Drawn::Folder:
            DrawFolder(painter, line, false);
            break;
        case Drawn::FolderOpen:
            DrawFolder(painter, line, true);
            break;
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// ---- the list -------------------------------------------------------------------------

int AddIcon(const std::string& name, const QIcon& icon)
{
    ImageListState& state = State();
    const auto [it, added] = state.byIconName.try_emplace(name, static_cast<int>(state.icons.size()));
    if (added) {
        state.icons.push_back(icon);
        state.names.push_back(name);
    }
    return it->second;
}

// What the list shows when the theme has none of the names: an icon the program draws,
// listed under its own name so that it is drawn only once.
struct Fallback {
    std::string name;
    std::function<QIcon()> draw;
};

Fallback Shape(Drawn shape)
{
    return {DrawnName(shape), [shape] { return DrawnIcon(shape); }};
}

// The index of the first of the theme names the theme has, else of the fallback; the
// answer is remembered under the lookup key.
int IndexFor(const std::string& lookupKey, const QStringList& themeNames, const Fallback& fallback)
{
    PrepareIconTheme();
    ImageListState& state = State();
    if (const auto it = state.byLookupKey.find(lookupKey); it != state.byLookupKey.end())
        return it->second;
    int index = -1;
    for (const QString& name : themeNames) {
        if (name.isEmpty())
            continue;
        const std::string key = name.toStdString();
        if (const auto known = state.byIconName.find(key); known != state.byIconName.end()) {
            index = known->second;
            break;
        }
        const QIcon icon = QIcon::fromTheme(name);
        if (!icon.isNull()) {
            index = AddIcon(key, icon);
            break;
        }
    }
    if (index < 0) {
        const auto known = state.byIconName.find(fallback.name);
        index = known != state.byIconName.end() ? known->second : AddIcon(fallback.name, fallback.draw());
    }
    state.byLookupKey.emplace(lookupKey, index);
    return index;
}

int DirectoryIndex(bool open)
{
    if (open)
        return IndexFor("dir:open", {QStringLiteral("folder-open"), QStringLiteral("folder")},
                        Shape(Drawn::FolderOpen));
    return IndexFor("dir:closed", {QStringLiteral("folder"), QStringLiteral("inode-directory")}, Shape(Drawn::Folder));
}

int FileIndex(std::string_view name)
{
    static const QMimeDatabase database;
    // MatchExtension looks at the name alone; the file is never opened or stat-ed.
    const QMimeType type = database.mimeTypeForFile(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                                                    QMimeDatabase::MatchExtension);
    return IndexFor("mime:" + type.name().toStdString(),
                    {type.iconName(), type.genericIconName(), QStringLiteral("text-x-generic"),
                     QStringLiteral("application-x-executable")},
                    Shape(Drawn::Page));
}

}  // namespace

int CFileTypeInfo::GetSysIconIndex(const std::string& path, BOOL bOpen, BOOL /*bSmall*/)
{
    std::string_view name = path;
    if (!name.empty() && name.back() == '/') {
        name.remove_suffix(1);
        if (name.empty())
            return GetDriveIconIndex(DriveKind::HardDisc);
        return DirectoryIndex(bOpen != FALSE);
    }
    if (const std::size_t slash = name.rfind('/'); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    return FileIndex(name);
}

int CFileTypeInfo::GetDriveIconIndex(DriveKind kind)
{
    struct Names {
        const char* key;
        const char* drawn;
        std::initializer_list<const char*> theme;
    };
    static const std::array<Names, 5> kNames = {{
        {"drive:floppy", "drawn:drive-floppy", {"media-floppy", "drive-removable-media"}},
        {"drive:harddisc", "drawn:drive", {"drive-harddisk"}},
        {"drive:optical", "drawn:drive-optical", {"drive-optical", "media-optical"}},
        {"drive:removable", "drawn:drive-removable", {"drive-removable-media", "media-removable"}},
        {"drive:network", "drawn:drive-network", {"folder-remote", "network-server"}},
    }};
    const Names& names = kNames.at(static_cast<std::size_t>(kind));
    QStringList theme;
    for (const char* name : names.theme)
        theme << QString::fromLatin1(name);
    return IndexFor(names.key, theme, {names.drawn, [kind] { return DrawnDriveIcon(kind); }});
}

int CFileTypeInfo::GetEntryIconIndex(const std::string& path, BOOL bOpen, BOOL bDrive)
{
    return bDrive ? GetDriveIconIndex(DriveKind::HardDisc) : GetSysIconIndex(path, bOpen, TRUE);
}

const std::vector<QIcon>& CFileTypeInfo::ImageList() { return State().icons; }

const QIcon& CFileTypeInfo::GetIcon(int index)
{
    static const QIcon none;
    const auto& icons = State().icons;
    return index >= 0 && static_cast<std::size_t>(index) < icons.size() ? icons[static_cast<std::size_t>(index)] : none;
}

const std::string& CFileTypeInfo::GetIconName(int index)
{
    static const std::string none;
    const auto& names = State().names;
    return index >= 0 && static_cast<std::size_t>(index) < names.size() ? names[static_cast<std::size_t>(index)] : none;
}

void CFileTypeInfo::ClearImageList() { State() = ImageListState{}; }

void InstallFileTypeIcons() { CEntry::SetIconLookup(&CFileTypeInfo::GetEntryIconIndex); }
