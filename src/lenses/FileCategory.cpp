#include "FileCategory.h"

#include <QMimeType>

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace {

// One rule: a category and the MIME types that make it, by exact name (matched against the
// type, its aliases and every type it inherits from) or by the start of the type's own name
// (not its aliases: PDF is also known as image/pdf). Rules are tried in order, so a type that is more than one thing
// gets the first: a word-processor file inherits application/zip and is a document; a
// Python script inherits application/x-executable and is source code; a picture in SVG
// inherits text/plain and is an image.
struct CategoryRule {
    FileCategory category;
    std::initializer_list<const char*> names;
    std::initializer_list<const char*> prefixes;
};

const std::initializer_list<CategoryRule> kRules = {
    {FileCategory::Packages,
     {"application/vnd.debian.binary-package", "application/x-deb", "application/x-rpm", "application/x-source-rpm",
      "application/vnd.snap", "application/vnd.flatpak", "application/vnd.flatpak.ref", "application/vnd.appimage",
      "application/x-iso9660-appimage", "application/vnd.android.package-archive", "application/x-msi",
      "application/x-xpinstall"},
     {}},
    {FileCategory::SourceCode,
     {"text/x-csrc",
      "text/x-chdr",
      "text/x-python",
      "text/x-python3",
      "application/javascript",
      "application/ecmascript",
      "text/javascript",
      "application/x-shellscript",
      "application/x-perl",
      "application/x-ruby",
      "application/x-php",
      "text/rust",
      "text/x-go",
      "text/x-kotlin",
      "text/x-scala",
      "text/x-lua",
      "text/x-haskell",
      "text/x-emacs-lisp",
      "text/x-common-lisp",
      "text/x-scheme",
      "text/x-tcl",
      "text/x-fortran",
      "text/x-pascal",
      "text/x-ocaml",
      "text/x-erlang",
      "text/x-elixir",
      "text/x-dart",
      "text/x-swift",
      "text/x-vala",
      "text/x-qml",
      "text/x-meson",
      "text/x-cmake",
      "text/x-makefile",
      "application/x-m4",
      "text/css",
      "text/x-scss",
      "text/x-sass",
      "application/sql",
      "text/x-sql",
      "application/json",
      "application/x-yaml",
      "application/toml",
      "text/x-patch",
      "text/x-diff",
      "application/x-asm",
      "text/x-asm",
      "text/x-matlab",
      "text/x-r"},
     {}},
    {FileCategory::Video, {}, {"video/"}},
    {FileCategory::Audio, {}, {"audio/"}},
    {FileCategory::Images, {}, {"image/"}},
    {FileCategory::Documents,
     {"application/pdf", "application/postscript", "application/msword", "application/rtf", "application/epub+zip",
      "application/x-mobipocket-ebook", "application/vnd.amazon.mobi8-ebook", "application/x-dvi",
      "application/vnd.ms-excel", "application/vnd.ms-powerpoint", "application/x-abiword", "text/plain"},
     {"application/vnd.oasis.opendocument.", "application/vnd.openxmlformats-officedocument.",
      "application/vnd.ms-word", "application/vnd.ms-excel", "application/vnd.ms-powerpoint"}},
    {FileCategory::Programs,
     {"application/x-sharedlib", "application/x-executable", "application/x-pie-executable", "application/x-object",
      "application/x-archive", "application/x-ms-dos-executable", "application/x-msdownload",
      "application/vnd.microsoft.portable-executable", "application/x-java-archive", "application/x-java",
      "application/x-python-bytecode", "application/x-mach-binary", "application/wasm"},
     {}},
    {FileCategory::Archives,
     {"application/zip",
      "application/x-tar",
      "application/gzip",
      "application/x-bzip",
      "application/x-bzip2",
      "application/x-xz",
      "application/x-lzma",
      "application/zstd",
      "application/x-7z-compressed",
      "application/vnd.rar",
      "application/x-rar",
      "application/x-compress",
      "application/x-lz4",
      "application/x-lzip",
      "application/x-lzop",
      "application/x-lrzip",
      "application/x-cpio",
      "application/x-arj",
      "application/x-lha",
      "application/x-xar",
      "application/vnd.ms-cab-compressed",
      "application/x-cd-image",
      "application/x-raw-disk-image",
      "application/x-qemu-disk",
      "application/x-vmdk-disk",
      "application/x-vdi-disk",
      "application/x-vhd-disk",
      "application/x-vhdx-disk",
      "application/x-apple-diskimage",
      "application/vnd.squashfs",
      "application/x-ms-wim"},
     {}},
};

bool Contains(std::initializer_list<const char*> names, const QString& name)
{
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == QLatin1StringView(n); });
}

bool StartsWithAny(std::initializer_list<const char*> prefixes, const QString& name)
{
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const char* p) { return name.startsWith(QLatin1StringView(p)); });
}

}  // namespace

const char* CategoryText(FileCategory category)
{
    static constexpr std::array<const char*, kFileCategoryCount> kTexts = {"video",
                                                                           "audio",
                                                                           "images",
                                                                           "documents",
                                                                           "archives and disk images",
                                                                           "packages",
                                                                           "source code",
                                                                           "libraries and programs",
                                                                           "other"};
    return kTexts.at(static_cast<std::size_t>(category));
}

FileCategory CategoryOfMimeType(const QMimeType& type)
{
    if (!type.isValid())
        return FileCategory::Other;
    const QStringList all = QStringList{type.name()} + type.aliases() + type.allAncestors();
    for (const CategoryRule& rule : kRules) {
        if (StartsWithAny(rule.prefixes, type.name())
            || std::any_of(all.begin(), all.end(), [&](const QString& n) { return Contains(rule.names, n); }))
            return rule.category;
    }
    return FileCategory::Other;
}
