#include "views/FileTypeInfo.h"

#include "model/Entry.h"
#include "support/TempTree.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPixmap>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// Every index handed out so far names a real icon, and no icon name appears twice.
void ExpectListIsSound()
{
    const auto& icons = CFileTypeInfo::ImageList();
    std::set<std::string> names;
    for (int i = 0; i < static_cast<int>(icons.size()); ++i) {
        EXPECT_FALSE(icons[static_cast<std::size_t>(i)].isNull()) << "index " << i;
        EXPECT_FALSE(CFileTypeInfo::GetIcon(i).pixmap(16, 16).isNull()) << "index " << i;
        EXPECT_TRUE(names.insert(CFileTypeInfo::GetIconName(i)).second) << CFileTypeInfo::GetIconName(i);
    }
}

int IndexOf(const std::string& path, BOOL bOpen = FALSE)
{
    const int index = CFileTypeInfo::GetSysIconIndex(path, bOpen, TRUE);
    EXPECT_GE(index, 0) << path;
    EXPECT_LT(index, static_cast<int>(CFileTypeInfo::ImageList().size())) << path;
    return index;
}

// The theme icon names the MIME database offers for a file name, best first.
QStringList MimeIconNames(const char* name)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromUtf8(name), QMimeDatabase::MatchExtension);
    return {type.iconName(), type.genericIconName()};
}

QImage Image16(int index) { return CFileTypeInfo::GetIcon(index).pixmap(16, 16).toImage(); }

// Builds the image list from nothing but the program's own drawings, as on a machine
// without any icon theme, and puts the real theme back afterwards.
class NoIconTheme {
public:
    NoIconTheme() : m_paths((CFileTypeInfo::PrepareIconTheme(), QIcon::themeSearchPaths()))
    {
        QIcon::setThemeSearchPaths({});
        CFileTypeInfo::ClearImageList();
    }
    ~NoIconTheme()
    {
        QIcon::setThemeSearchPaths(m_paths);
        CFileTypeInfo::ClearImageList();
    }
    NoIconTheme(const NoIconTheme&) = delete;
    NoIconTheme& operator=(const NoIconTheme&) = delete;

private:
    QStringList m_paths;
};

}  // namespace

TEST(FileTypeInfo, FilesAreTypedByNameAlone)
{
    TempTree tree;
    // Contents that would say otherwise if anything were read: a PDF header in a file
    // without extension, and in a .txt file.
    tree.File("notes.txt");
    tree.File("zzqq");
    for (const char* name : {"notes.txt", "zzqq"}) {
        QFile file(QString::fromStdString(tree.Path(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    }
    tree.Chmod("zzqq", 0);  // unreadable, so reading it would fail as well

    const int txt = IndexOf(tree.Path("notes.txt"));
    EXPECT_EQ(txt, IndexOf("/no/such/dir/other.txt"));
    EXPECT_EQ(txt, IndexOf("relative.TXT"));
    EXPECT_NE(txt, IndexOf("/no/such/dir/photo.png"));
    EXPECT_NE(IndexOf("/no/such/dir/photo.png"), IndexOf("/no/such/dir/film.mp4"));
    EXPECT_NE(IndexOf("/no/such/report.pdf"), IndexOf(tree.Path("zzqq")));
    // A name without extension: the same icon whether or not the file exists.
    EXPECT_EQ(IndexOf(tree.Path("zzqq")), IndexOf("/elsewhere/qqzz"));

    // With a theme installed, the icon is the MIME type's own or its generic one.
    for (const char* name : {"notes.txt", "photo.png", "film.mp4", "report.pdf", "backup.tar.gz", "main.cpp"}) {
        const QString iconName = QString::fromStdString(CFileTypeInfo::GetIconName(IndexOf(name)));
        if (QIcon::hasThemeIcon(MimeIconNames(name)[0]) || QIcon::hasThemeIcon(MimeIconNames(name)[1])) {
            EXPECT_TRUE(MimeIconNames(name).contains(iconName)) << name << " got " << iconName.toStdString();
        }
    }
    ExpectListIsSound();
}

TEST(FileTypeInfo, DirectoriesRootsAndFtpPaths)
{
    const int closed = IndexOf("/home/user/docs/", FALSE);
    const int open = IndexOf("/home/user/docs/", TRUE);
    EXPECT_NE(closed, open);
    EXPECT_EQ(closed, IndexOf("/srv/other/", FALSE));
    EXPECT_EQ(open, IndexOf("/srv/other/", TRUE));
    // A directory named like a file is still a directory.
    EXPECT_EQ(closed, IndexOf("/srv/archive.tar.gz/", FALSE));
    // Without the trailing "/" the same path is a file.
    EXPECT_NE(closed, IndexOf("/home/user/docs", FALSE));
    // The open state changes nothing for a file.
    EXPECT_EQ(IndexOf("a.txt", FALSE), IndexOf("a.txt", TRUE));

    // The root of a file system is a drive, in both states.
    const int drive = CFileTypeInfo::GetDriveIconIndex(DriveKind::HardDisc);
    EXPECT_EQ(drive, IndexOf("/", FALSE));
    EXPECT_EQ(drive, IndexOf("/", TRUE));
    EXPECT_NE(drive, closed);
    EXPECT_NE(drive, CFileTypeInfo::GetDriveIconIndex(DriveKind::Network));

    // Paths as an FTP search makes them: below the server's directory, "/" separated,
    // perhaps with a DOS-style server root in front.
    EXPECT_EQ(IndexOf("backup.tar.gz"), IndexOf("/pub/mirror/backup.tar.gz"));
    EXPECT_EQ(IndexOf("backup.tar.gz"), IndexOf("C:\\ftproot/pub/backup.tar.gz"));
    EXPECT_EQ(closed, IndexOf("/pub/mirror/", FALSE));
    EXPECT_NE(IndexOf("backup.tar.gz"), IndexOf("notes.txt"));

    // Themed where the theme has the icons.
    if (QIcon::hasThemeIcon(QStringLiteral("folder"))) {
        EXPECT_EQ("folder", CFileTypeInfo::GetIconName(closed));
    }
    if (QIcon::hasThemeIcon(QStringLiteral("folder-open"))) {
        EXPECT_EQ("folder-open", CFileTypeInfo::GetIconName(open));
    }
    if (QIcon::hasThemeIcon(QStringLiteral("drive-harddisk"))) {
        EXPECT_EQ("drive-harddisk", CFileTypeInfo::GetIconName(drive));
    }

    EXPECT_TRUE(CFileTypeInfo::GetIcon(-1).isNull());
    EXPECT_TRUE(CFileTypeInfo::GetIcon(static_cast<int>(CFileTypeInfo::ImageList().size())).isNull());
    EXPECT_EQ("", CFileTypeInfo::GetIconName(-1));
    ExpectListIsSound();
}

TEST(FileTypeInfo, ThemeIsFoundWithoutPlatformTheme)
{
    CFileTypeInfo::PrepareIconTheme();
    const QString theme = QIcon::themeName();
    ASSERT_FALSE(theme.isEmpty());
    if (QFile::exists(QStringLiteral("/usr/share/icons/hicolor/index.theme"))) {
        EXPECT_TRUE(QIcon::themeSearchPaths().contains(QStringLiteral("/usr/share/icons")));
    }
    if (QFile::exists(QStringLiteral("/usr/share/icons/Adwaita/index.theme"))) {
        // A full theme is installed, so one was chosen and folders and text files come from
        // it, not from our drawings.
        bool installed = false;
        for (const QString& dir : QIcon::themeSearchPaths())
            installed = installed || QFile::exists(dir + u'/' + theme + QStringLiteral("/index.theme"));
        EXPECT_TRUE(installed) << theme.toStdString();
        EXPECT_TRUE(QIcon::hasThemeIcon(QStringLiteral("folder")));
        EXPECT_EQ("folder", CFileTypeInfo::GetIconName(IndexOf("/x/", FALSE)));
        EXPECT_TRUE(CFileTypeInfo::GetIconName(IndexOf("x.txt")).starts_with("text-"));
    }
}

TEST(FileTypeInfo, DrawsItsOwnIconsWithoutTheme)
{
    const NoIconTheme noTheme;
    const int page = IndexOf("/a/notes.txt");
    const int closed = IndexOf("/a/docs/", FALSE);
    const int open = IndexOf("/a/docs/", TRUE);
    const int drive = IndexOf("/");
    EXPECT_EQ("drawn:page", CFileTypeInfo::GetIconName(page));
    EXPECT_EQ("drawn:folder", CFileTypeInfo::GetIconName(closed));
    EXPECT_EQ("drawn:folder-open", CFileTypeInfo::GetIconName(open));
    EXPECT_EQ("drawn:drive", CFileTypeInfo::GetIconName(drive));
    // Every file shares the one drawn page; each drive kind the one drawn drive.
    EXPECT_EQ(page, IndexOf("photo.png"));
    EXPECT_EQ(page, IndexOf("zzqq"));
    EXPECT_EQ(drive, CFileTypeInfo::GetDriveIconIndex(DriveKind::Network));
    EXPECT_EQ(4u, CFileTypeInfo::ImageList().size());
    ExpectListIsSound();

    // The drawings are what they claim: a white page with a transparent margin, a yellow
    // folder front, and an open folder that shows a sheet where the closed one is plain.
    const QImage pageImage = Image16(page);
    EXPECT_EQ(0, qAlpha(pageImage.pixel(0, 0)));
    EXPECT_EQ(qRgba(255, 255, 255, 255), pageImage.pixel(4, 3));
    EXPECT_EQ(qRgba(0xf5, 0xc8, 0x5a, 255), Image16(closed).pixel(7, 10));
    EXPECT_EQ(qRgba(0xd9, 0xa4, 0x2e, 255), Image16(closed).pixel(2, 4));  // the tab
    EXPECT_EQ(qRgba(255, 255, 255, 255), Image16(open).pixel(7, 5));
    EXPECT_NE(qRgba(255, 255, 255, 255), Image16(closed).pixel(7, 5));
    EXPECT_EQ(qRgba(0x30, 0xc0, 0x30, 255), Image16(drive).pixel(12, 9));
}

TEST(FileTypeInfo, EntriesLookUpThroughInstalledLookup)
{
    CEntry root;
    root.InitAsRoot("/");
    auto makeChild = [](CEntry& parent, const std::string& name, bool directory) {
        auto child = std::make_unique<CEntry>();
        child->m_pParent = &parent;
        child->m_nDepth = parent.m_nDepth + 1;
        child->m_strName = name;
        child->m_bDirectory = directory;
        parent.m_children.push_back(std::move(child));
        return parent.m_children.back().get();
    };
    CEntry* docs = makeChild(root, "docs", true);
    CEntry* text = makeChild(*docs, "read me.txt", false);
    CEntry* picture = makeChild(*docs, "photo.png", false);

    CEntry::SetIconLookup(nullptr);
    EXPECT_EQ(-1, text->GetIconIndex(FALSE));  // nothing installed yet: asks again later

    InstallFileTypeIcons();
    EXPECT_EQ(CFileTypeInfo::GetDriveIconIndex(DriveKind::HardDisc), root.GetIconIndex(FALSE));
    EXPECT_EQ(IndexOf("/x/", FALSE), docs->GetIconIndex(FALSE));
    EXPECT_EQ(IndexOf("/x/", TRUE), docs->GetIconIndex(TRUE));
    EXPECT_EQ(IndexOf("other.txt"), text->GetIconIndex(FALSE));
    EXPECT_EQ(IndexOf("other.png"), picture->GetIconIndex(FALSE));
    EXPECT_NE(text->GetIconIndex(FALSE), picture->GetIconIndex(FALSE));
    // Each state is cached on the entry.
    EXPECT_EQ(docs->m_nIcon, docs->GetIconIndex(FALSE));
    EXPECT_EQ(docs->m_nOpenIcon, docs->GetIconIndex(TRUE));
    EXPECT_NE(docs->m_nIcon, docs->m_nOpenIcon);
    ExpectListIsSound();
    CEntry::SetIconLookup(nullptr);
}
