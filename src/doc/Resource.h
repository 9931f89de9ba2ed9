#pragma once
#include "base/Types.h"

// Command ids shared by menus, keys, the toolbar and the context menu.
constexpr UINT ID_SELECTION_LINE = 103;  // the context menu's description of the selection
constexpr UINT ID_OPEN_PARENT = 32780;
constexpr UINT ID_SHOW_ALL_FILES = 32788;  // the list view's "Show all contained files"
constexpr UINT ID_SHOW_DIRECTORIES = 32841;  // the list view's "Show directories"
constexpr UINT ID_OPEN_RUN = 32792;
constexpr UINT ID_DELETE = 32793;
constexpr UINT ID_VIEW_DIRECTORY = 32796;
constexpr UINT ID_REFRESH = 32798;
// Comparing with an earlier search of the same root.
constexpr UINT ID_COMPARE_WITH = 32810;  // "Compare with": the submenu of earlier searches
constexpr UINT ID_COMPARE_OTHER = 32811;  // "Other saved search..." in that submenu
constexpr UINT ID_COMPARE_STOP = 32812;  // "Stop comparing"
constexpr UINT ID_COLOUR_BY_CHANGE = 32813;  // the block view's colours tell the change
constexpr UINT ID_SHOW_CHANGED_ONLY = 32814;  // the list view leaves out what did not change
constexpr UINT ID_SHOW_REMOVED = 32815;  // the list view shows items gone since, in grey
// Cleaning up: marks, and what is done with the marked items.
constexpr UINT ID_MARK = 32820;  // "Mark": the selected item
constexpr UINT ID_UNMARK = 32821;  // "Unmark": the selected item
constexpr UINT ID_UNMARK_ALL = 32822;  // "Unmark all"
constexpr UINT ID_MARK_TOGGLE = 32823;  // Space: marks or unmarks the selected item
constexpr UINT ID_VIEW_MARKED = 32824;  // "Marked": shows or hides the panel of marked items
constexpr UINT ID_TRASH_MARKED = 32825;  // "Move marked to trash"
constexpr UINT ID_DELETE_PERMANENTLY = 32826;  // "Delete permanently": the marked items, or the selection
constexpr UINT ID_EMPTY_VOLRA_TRASH = 32827;  // "Empty what Volra trashed"
// Lenses: what the block view colours files by, and the panel of file types.
constexpr UINT ID_COLOUR_BY = 32830;  // "Colour by": the submenu of the three below
constexpr UINT ID_COLOUR_BY_DEPTH = 32831;  // by depth and position: the usual palette
constexpr UINT ID_COLOUR_BY_TYPE = 32832;  // by the files' categories
constexpr UINT ID_COLOUR_BY_AGE = 32833;  // by the files' modification times
constexpr UINT ID_VIEW_FILE_TYPES = 32834;  // "File types": shows or hides the panel
constexpr UINT ID_FILE_SAVE = 57603;  // "Save search as...": the search in ncdu's export format
constexpr UINT ID_EDIT_COPY = 57634;  // the selected item's path to the clipboard

// Update hints passed to UpdateAllViews.
constexpr LPARAM HINT_REDRAW = 0;  // current directory, selection or settings changed
constexpr LPARAM HINT_TREE_CHANGED = 1;  // entries were created, removed or replaced
constexpr LPARAM HINT_FILTER_CHANGED = 2;  // the filter was set, changed or cleared
