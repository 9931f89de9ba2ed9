#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The names the history gives its folders and files, and how they are read back. Only a
// name these functions would have made is recognised: anything else in the history's
// folders is someone else's, left alone.

// A search root as the history keys it: its bytes, trailing slashes aside ("/" stays).
std::string_view HistoryRootKey(std::string_view root);

// The folder of an absolute root: its bytes with "/", "%" and every byte outside printable
// ASCII (space included) escaped as "%XX", so "/home/ann" is "%2Fhome%2Fann". Empty when the
// root is not absolute or the name would be longer than a file name may be: such a root
// gets a hashed folder (HashedFolderName) with its bytes in a file inside.
std::string EscapedFolderName(std::string_view root);
// The root an escaped folder name stands for; false for any name EscapedFolderName would
// not have made.
bool RootOfEscapedName(std::string_view name, std::string& root);

// "h-" and 16 hexadecimal digits of a hash of the root, then "-2", "-3", ... for the
// nTry'th folder of roots whose hashes are the same (nTry 1 has none).
std::string HashedFolderName(std::string_view root, int nTry);
bool IsHashedFolderName(std::string_view name);
// The file in a hashed folder holding its root's bytes.
inline constexpr std::string_view kRootFileName = "root";

// A kept search's file: when its search finished (UTC) and its two totals, so that a
// listing needs to open nothing: "20261206T140300Z-<length>-<size on disk>.json.gz".
struct CKeptName {
    std::int64_t nFinished = 0;  // seconds since 1970, UTC; years 1970 to 9999
    std::int64_t nLength = 0;  // bytes, the files' lengths
    std::int64_t nDiskSize = 0;  // bytes on the disk
    bool operator==(const CKeptName&) const = default;
};
std::string KeptFileName(const CKeptName& kept);
// False for any name KeptFileName would not have made.
bool ParseKeptFileName(std::string_view name, CKeptName& kept);

// The temporary files a kept search is written through before its rename (CAtomicFile's).
bool IsTemporaryName(std::string_view name);
