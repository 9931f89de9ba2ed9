#pragma once
#include <array>
#include <cstddef>

class QMimeType;

// What kind of data a file holds, as a user sorting out a disk thinks of it. The order is
// the legend's and breaks ties between equal sizes.
enum class FileCategory {
    Video,
    Audio,
    Images,
    Documents,
    Archives,  // archives and disk images
    Packages,
    SourceCode,
    Programs,  // libraries and programs
    Other,
};

inline constexpr std::size_t kFileCategoryCount = 9;

// "video", "audio", "images", "documents", "archives and disk images", "packages",
// "source code", "libraries and programs", "other".
const char* CategoryText(FileCategory category);

// The category of a MIME type, by its name, its aliases and the types it inherits from.
// A type unknown to every rule (application/octet-stream among them) is Other.
FileCategory CategoryOfMimeType(const QMimeType& type);
