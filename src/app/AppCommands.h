#pragma once
#include "doc/Resource.h"

// Command ids of the application shell; the document commands are in doc/Resource.h.
constexpr UINT ID_MODE_BLOCK = 32772;
constexpr UINT ID_MODE_LIST = 32773;
constexpr UINT ID_MODE_PIE = 32774;
constexpr UINT ID_MODE_SPIDER = 32775;  // has a prompt, but nothing carries it
constexpr UINT ID_PREFERENCES = 32779;
constexpr UINT ID_VIEW_TREE = 32800;
constexpr UINT ID_VIEW_SIZE_ON_DISK = 32801;  // sizes on disk in place of lengths, everywhere
constexpr UINT ID_FIND = 32840;  // "Find...": the search window's find field
constexpr UINT ID_FILE_NEW = 57600;
constexpr UINT ID_FILE_OPEN = 57601;  // "Open search...": a search saved in ncdu's export format
constexpr UINT ID_FILE_CLOSE = 57602;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_EDIT_UNDO = 57643;
constexpr UINT ID_WINDOW_ARRANGE = 57649;
constexpr UINT ID_WINDOW_CASCADE = 57650;
constexpr UINT ID_WINDOW_TILE = 57651;
constexpr UINT ID_APP_ABOUT = 57664;
constexpr UINT ID_APP_EXIT = 57665;
constexpr UINT ID_HELP_CONTENTS = 57670;
constexpr UINT ID_NEXT_PANE = 57680;
constexpr UINT ID_PREV_PANE = 57681;
constexpr UINT ID_VIEW_TOOLBAR = 59392;
constexpr UINT ID_VIEW_STATUS_BAR = 59393;
