#include "DisplayText.h"

std::string DisplayBytes(std::string_view bytes)
{
    std::string visible(bytes);
    for (char& c : visible) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            c = '?';
    }
    return visible;
}

QString DisplayText(std::string_view bytes)
{
    // Bytes that are not UTF-8 show as the replacement character; the name itself is
    // never rebuilt from this text.
    const std::string visible = DisplayBytes(bytes);
    return QString::fromUtf8(visible.data(), static_cast<qsizetype>(visible.size()));
}
