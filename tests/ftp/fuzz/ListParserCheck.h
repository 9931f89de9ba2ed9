#pragma once
#include "ftp/FtpListParser.h"

#include <string>
#include <string_view>

// Parses data both as MLSD and as LIST and checks what no listing may ever yield: an
// empty name, a name with "/", a zero byte or a line end in it, a negative size, or a
// directory with a size. Empty when all is well, else what went wrong.
inline std::string CheckListing(std::string_view data)
{
    for (const bool mlsd : {true, false}) {
        for (const CFtpItem& item : CFtpListParser::ParseListing(data, mlsd, 1718452800)) {
            if (item.name.empty() || item.name.find_first_of(std::string_view("/\0\n", 3)) != std::string::npos)
                return "bad name \"" + item.name + "\"";
            if (item.size < 0 || (item.directory && item.size != 0))
                return "bad size for \"" + item.name + "\"";
        }
    }
    return {};
}
