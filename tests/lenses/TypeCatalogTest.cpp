#include "lenses/TypeCatalog.h"

#include <gtest/gtest.h>

#include <string>

// Names as a user meets them, typed by name alone: what the extension is, shown lower-cased,
// and which category its MIME type falls in.
TEST(TypeCatalog, NamesGetTheExtensionAndCategoryAUserWouldName)
{
    struct Case {
        std::string name;
        std::string extension;  // as kept: lower-cased A-Z
        FileCategory category;
    };
    using C = FileCategory;
    const Case cases[] = {
        {"movie.MP4", "mp4", C::Video},
        {"song.flac", "flac", C::Audio},
        {"Photo.JPEG", "jpeg", C::Images},
        {"drawing.svg", "svg", C::Images},  // inherits text/plain, still a picture
        {"report.pdf", "pdf", C::Documents},
        {"notes.txt", "txt", C::Documents},
        {"book.epub", "epub", C::Documents},  // a zip inside, a document to its reader
        {"sheet.XLSX", "xlsx", C::Documents},
        {"archive.tar.gz", "tar.gz", C::Archives},
        {"ARCHIVE.TAR.GZ", "tar.gz", C::Archives},
        {"linux-6.1.tar.xz", "tar.xz", C::Archives},
        {"notes.md.gz", "gz", C::Archives},  // no type of its own: the last part counts
        {".tar.gz", "gz", C::Archives},  // a dot file named "tar.gz"
        {"split.7z.001", "7z.001", C::Archives},
        {"debian.iso", "iso", C::Archives},
        {"tool_1.0_amd64.deb", "deb", C::Packages},
        {"App.AppImage", "appimage", C::Packages},
        {"main.cpp", "cpp", C::SourceCode},
        {"run.py", "py", C::SourceCode},  // inherits application/x-executable, still source
        {".config.json", "json", C::SourceCode},
        {"libc.so.6", "so", C::Programs},
        {"libz.so.1.2.13", "so", C::Programs},
        {"libfoo.so", "so", C::Programs},
        {"libbar.a", "a", C::Programs},
        {"tool.jar", "jar", C::Programs},
        {".bashrc", "", C::Other},
        {"...", "", C::Other},
        {"README", "", C::Other},
        {"trailing.", "", C::Other},
        {"Minutes 12.5 draft", "", C::Other},
        {"Backup 2023.01.05 at 10.30", "30", C::Other},
        {"a.raw-disk-image.xz", "raw-disk-image.xz", C::Archives},
        {"name.extension-of-25-bytes-xyz", "", C::Other},
        {"caf\xe9.\xc9T\xc9", "\xc9t\xc9", C::Other},  // not UTF-8: bytes kept, A-Z lowered
        {"tab.T\tX", "t\tx", C::Other},
        {"weird.qqzzqq", "qqzzqq", C::Other},
    };
    CTypeCatalog catalog;
    for (const Case& c : cases) {
        const CFileType& type = catalog.TypeOf(c.name);
        EXPECT_EQ(type.extension, c.extension) << c.name;
        EXPECT_EQ(CategoryText(type.category), std::string(CategoryText(c.category))) << c.name;
        EXPECT_EQ(&catalog.At(type.id), &type) << c.name;
    }
    // Kept once per lower-cased extension; the name's own bytes are there to be shown.
    EXPECT_EQ(&catalog.TypeOf("x.TXT"), &catalog.TypeOf("y.txt"));
    EXPECT_EQ(&catalog.TypeOf(".profile"), &catalog.TypeOf("Makefile"));
    EXPECT_EQ(catalog.ExtensionOf("ARCHIVE.TAR.GZ"), "TAR.GZ");
    EXPECT_EQ(catalog.ExtensionOf("libz.so.1.2.13"), "so");
    // Shown, none is "(none)", and the bytes of an extension show as a name's do.
    EXPECT_EQ(ExtensionText(""), QStringLiteral("(none)"));
    EXPECT_EQ(ExtensionText("t\tx\xc9"), QStringLiteral("t?x") + QChar(QChar::ReplacementCharacter));
}
