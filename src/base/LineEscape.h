#pragma once
#include <string>
#include <string_view>

// Appends bytes (a path, a name, an extension) to a text made of lines, as the bytes they
// are but for the few that would break the line apart for whoever reads it (a tab, a line
// end) and the backslash that announces them: "\t", "\n", "\r" and "\\".
inline void AppendLineEscaped(std::string& text, std::string_view bytes)
{
    for (const char c : bytes) {
        switch (c) {
        case '\t':
            text += "\\t";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\r':
            text += "\\r";
            break;
        case '\\':
            text += "\\\\";
            break;
        default:
            text += c;
        }
    }
}
