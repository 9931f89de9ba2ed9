#pragma once
// Names are bytes as the file system gave them. They become text only to be shown, and
// there every control character (a newline in a name would run two lines together) is
// shown as "?", the same in every view, title, menu and the status bar.

#include <QString>
#include <string>
#include <string_view>

QString DisplayText(std::string_view bytes);
// The same bytes with every control character as "?", for texts that are put together as
// bytes before they are shown (menu items).
std::string DisplayBytes(std::string_view bytes);
