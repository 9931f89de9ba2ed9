#pragma once
#include "base/Time.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One item of a server's directory listing.
struct CFtpItem {
    std::string name;
    bool directory = false;
    std::int64_t size = 0;  // bytes; 0 for a directory
    CTime modified;  // the only time a listing gives; 0 when it gives none
    std::string unique;  // MLSD's identity of the file behind the name, when given
};

// Reads directory listings as servers send them: MLSD (machine-readable facts) or LIST in
// the Unix "ls -l" style or the DOS/IIS style. A line that is none of these (a total, a
// banner, garbage) is left out, and so is an item whose name is empty or holds "/" or a
// zero byte: such a name could not be one item of the directory. Names keep every other
// byte, spaces at either end included. An item whose size cannot be read (negative, too
// large, not a number) is listed with size 0. Times without a zone are taken as UTC.
class CFtpListParser {
public:
    // nowUtc places a Unix time of day without a year: within the last year up to a day
    // ahead, as "ls" shows recent files. Lines end at CRLF or LF; a lone CR belongs to
    // the line, and so to a name.
    static std::vector<CFtpItem> ParseListing(std::string_view data, bool bMlsd, std::int64_t nowUtc);
    // One line without its line end; false when it names no item (MLSD's "." and ".."
    // entries included).
    static bool ParseMlsdLine(std::string_view line, CFtpItem& item);
    static bool ParseListLine(std::string_view line, CFtpItem& item, std::int64_t nowUtc);

private:
    static bool ParseUnixLine(std::string_view line, CFtpItem& item, std::int64_t nowUtc);
    static bool ParseDosLine(std::string_view line, CFtpItem& item);
};
