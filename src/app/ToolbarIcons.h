#pragma once
#include "platform/Types.h"

#include <QIcon>

// The toolbar's own icons, drawn in code: the icon themes of most desktops have no pictures
// for a tree panel or block, list and pie modes, and the few they have come in a different
// style each. Every icon has a 16 and a 32 pixel picture; its disabled look is made by the
// style from them. Built once, on first use; a command without a picture gets a null icon.
QIcon ToolbarIcon(UINT id);
