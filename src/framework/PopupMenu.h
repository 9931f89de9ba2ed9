#pragma once
#include "CmdTarget.h"
#include "base/Types.h"

#include <QPoint>
#include <memory>
#include <string>
#include <vector>

class QMenu;
class QWidget;

// One item of a menu resource: a command with its text ("&" marks the mnemonic, "\t"
// starts the key text), or a separator (id 0).
struct CMenuItem {
    UINT id = 0;
    std::string text;
};

// Builds a popup whose items are enabled and checked by the route's update handlers and
// whose chosen item is carried out through the same route. Each item's QAction carries its
// command id as data.
std::unique_ptr<QMenu> BuildPopupMenu(const std::vector<CMenuItem>& items, CCmdTarget& route,
                                      QWidget* pParent = nullptr);
// Shows the popup with its top-left corner at the screen point and carries out the chosen
// command. Returns the command carried out, or 0.
UINT TrackPopupMenu(const std::vector<CMenuItem>& items, QPoint screenPos, CCmdTarget& route,
                    QWidget* pParent = nullptr);
// Menu text for a piece of data (a path): ampersands shown literally, control characters
// as "?" (DisplayBytes).
std::string EscapeMenuText(const std::string& text);
