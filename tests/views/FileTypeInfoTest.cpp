#include "views/FileTypeInfo.h"

#include "framework/IconTheme.h"
#include "support/EntryBuild.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

int IndexOf(const std::string& path, BOOL bOpen = FALSE)
{
    const int index = CFileTypeInfo::GetSysIconIndex(path, bOpen, TRUE);
    EXPECT_FALSE(CFileTypeInfo::GetIcon(index).isNull()) << path;
    return index;
}

}  // namespace

TEST(FileTypeInfo, FilesAreTypedByNameAloneDirectoriesByTheirSlashDrivesByTheirPlace)
{
    // PDF contents in a file without extension: reading it would make it a PDF.
    TempTree tree;
    std::ofstream(tree.Path("zzqq")) << "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    EXPECT_EQ(IndexOf(tree.Path("zzqq")), IndexOf("/no/such/dir/qqzz"));
    EXPECT_NE(IndexOf(tree.Path("zzqq")), IndexOf("/no/such/report.pdf"));

    const int txt = IndexOf("/no/such/dir/notes.txt");
    EXPECT_EQ(txt, IndexOf("relative.TXT"));
    EXPECT_EQ(txt, IndexOf("C:\\ftproot/pub/other.txt"));  // as an FTP search names it
    EXPECT_NE(txt, IndexOf("photo.png"));
    EXPECT_EQ(IndexOf("a.txt", FALSE), IndexOf("a.txt", TRUE));

    const int closed = IndexOf("/home/user/docs/", FALSE);
    const int open = IndexOf("/home/user/docs/", TRUE);
    EXPECT_NE(closed, open);
    EXPECT_EQ(closed, IndexOf("/srv/archive.tar.gz/", FALSE));
    EXPECT_NE(closed, IndexOf("/home/user/docs", FALSE));  // without the "/": a file
    // The root of a file system is a drive, in both states.
    const int drive = CFileTypeInfo::GetDriveIconIndex(DriveKind::HardDisc);
    EXPECT_EQ(drive, IndexOf("/", FALSE));
    EXPECT_EQ(drive, IndexOf("/", TRUE));
    EXPECT_NE(drive, closed);

    // An entry: a search's root and a mount point below it are drives whatever their names.
    const auto root = MakeRoot("/home/ann");
    CEntry* docs = AddEntry(*root, "docs", 0, true);
    CEntry* text = AddEntry(*docs, "read me.txt");
    CEntry* stick = AddEntry(*root, "stick", 0, true);
    stick->SetMountPoint(true);
    InstallFileTypeIcons();
    EXPECT_EQ(drive, root->GetIconIndex(FALSE));
    EXPECT_EQ(drive, stick->GetIconIndex(TRUE));
    EXPECT_EQ(closed, docs->GetIconIndex(FALSE));
    EXPECT_EQ(open, docs->GetIconIndex(TRUE));
    EXPECT_EQ(txt, text->GetIconIndex(FALSE));
    CEntry::SetIconLookup(nullptr);
}

// IndexOf checks that every index has a picture: without a theme the program draws its own.
TEST(FileTypeInfo, HasIconsWithoutTheme)
{
    PrepareIconTheme();
    const QStringList paths = QIcon::themeSearchPaths();
    QIcon::setThemeSearchPaths({});
    CFileTypeInfo::ClearImageList();

    EXPECT_EQ(IndexOf("/a/notes.txt"), IndexOf("photo.png"));  // every file shares the one page
    EXPECT_NE(IndexOf("/a/docs/", FALSE), IndexOf("/a/docs/", TRUE));
    EXPECT_NE(IndexOf("/a/docs/", FALSE), IndexOf("/"));

    QIcon::setThemeSearchPaths(paths);
    CFileTypeInfo::ClearImageList();
}
