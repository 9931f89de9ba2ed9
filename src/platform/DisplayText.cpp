#include "DisplayText.h"

#include <string>

QString DisplayText(std::string_view bytes)
{
    std::string visible(bytes);
    for (char& c : visible) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            c = '?';
    }
    // Bytes that are not UTF-8 show as the replacement character; the name itself is
    // never rebuilt from this text.
    return QString::fromUtf8(visible.data(), static_cast<qsizetype>(visible.size()));
}
