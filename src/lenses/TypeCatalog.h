#pragma once
#include "FileCategory.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// One kind of file by name: an extension and the category the MIME database gives it.
struct CFileType {
    std::string extension;  // the name's extension as bytes, A-Z lower-cased; empty for none
    FileCategory category = FileCategory::Other;
    std::uint32_t id = 0;  // dense, in the order the catalog met the extensions
};

// The file types of names, looked up by name alone (a file is never opened or stat-ed, so
// FTP and saved searches are typed like local ones) and kept once per extension: a million
// files of a few hundred extensions cost a few hundred MIME lookups and a hash lookup each.
//
// The extension of a name is what follows its last dot, lower-cased in A-Z only (bytes
// that are not ASCII stay as they are), with these exceptions, so that the extension is
// the one a user would name:
// - a dot at the start does not begin an extension: ".bashrc" and "..." have none, while
//   ".config.json" is a "json";
// - a name ending in a dot has none;
// - a two-part suffix that the MIME database knows as a type of its own ("tar.gz",
//   "tar.xz", "ps.gz", "src.rpm") is the extension, while "notes.md.gz" is a "gz";
// - a shared library with a version ("libc.so.6", "libz.so.1.2.13") is a "so";
// - what holds a blank or runs over 24 bytes is no extension but part of the name
//   ("Minutes 12.5 draft", "Backup 2023.01.05 at 10.30" is still a "30").
// An extension that is not UTF-8 is kept as its bytes; its category is Other, as is that of
// any extension the MIME database has no pattern "*.EXTENSION" for.
//
// Entries are kept for the whole run and never change, so a type's address and id stay
// valid. User-interface thread only, like the tree it types.
class CTypeCatalog {
public:
    // The program's one catalog.
    static CTypeCatalog& Shared();

    CTypeCatalog();
    CTypeCatalog(const CTypeCatalog&) = delete;
    CTypeCatalog& operator=(const CTypeCatalog&) = delete;

    // The type of a file by its name (the last component of its path).
    const CFileType& TypeOf(std::string_view name);
    // The extension of a name as the name's own bytes (not lower-cased); empty for none.
    std::string_view ExtensionOf(std::string_view name) const;

    // Types met so far; ids run from 0 to Count() - 1.
    std::size_t Count() const { return m_byId.size(); }
    const CFileType& At(std::uint32_t id) const { return *m_byId.at(id); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using Eq = std::equal_to<>;

    const CFileType& Add(std::string_view extension);
    FileCategory LookUpCategory(std::string_view extension) const;

    // The suffixes the MIME database has a pattern "*.SUFFIX" for, lower-cased ("iso",
    // "tar.gz"), and the two-part ones among them.
    std::unordered_set<std::string, Hash, Eq> m_known;
    std::unordered_set<std::string, Hash, Eq> m_compounds;
    std::unordered_map<std::string, std::unique_ptr<CFileType>, Hash, Eq> m_byExtension;
    std::vector<const CFileType*> m_byId;
    std::string m_lower;  // scratch: the extension being looked up, lower-cased
};

// How an extension shows: "(none)" for none, else the bytes as DisplayText shows names.
QString ExtensionText(std::string_view extension);
// The same for texts made of bytes (the command line's output): "(none)" or the extension.
std::string ExtensionBytes(std::string_view extension);
