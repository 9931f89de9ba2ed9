#pragma once
#include "base/Types.h"

#include <QIcon>

// The pictures of the toolbar and the menus: one SVG file per command under
// resources/toolbar, compiled in, named by the command table's iconName. The icon themes of
// most desktops have no pictures for a tree panel or block, list and pie modes, and the few
// they have come in a different style each. Being vectors, the pictures are drawn sharp at
// every size and on high-density screens; the style greys them for disabled commands. A
// command without a picture gets a null icon.
QIcon ToolbarIcon(UINT id);
