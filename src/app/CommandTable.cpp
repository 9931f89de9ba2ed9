#include "CommandTable.h"

#include "AppCommands.h"

#include <algorithm>

namespace {
constexpr CCommandInfo kCommands[] = {
    {ID_FILE_NEW, "&New search\tCtrl+N", "Start a new search\nNew search", "new-search", false},
    {ID_FILE_OPEN, "&Open search...\tCtrl+O", "Open a search saved by Volra or ncdu\nOpen search", nullptr, false},
    {ID_FILE_SAVE, "&Save search as...\tCtrl+S", "Save the search in ncdu's export format\nSave search as", nullptr,
     false},
    {ID_FILE_CLOSE, "&Close", "Close the search window\nClose", nullptr, false},
    {ID_PREFERENCES, "&Preferences", "Change the display preferences\nPreferences", nullptr, false},
    {ID_APP_EXIT, "E&xit", "Quit the application\nExit", nullptr, false},
    {ID_REFRESH, "&Refresh\tF5", "Refreshes the selected directory\nRefresh", "refresh", false},
    {ID_OPEN_PARENT, "Open &parent\tBksp", "Open parent directory\nOpen parent", "open-parent", false},
    {ID_VIEW_TREE, "&Tree panel\tAlt+T", "Toggles display of the tree visualisation\nToggle tree", "tree-panel", true},
    {ID_MODE_BLOCK, "&Block\tAlt+B", "Chooses block visualisation mode\nBlock mode", "block-mode", true},
    {ID_MODE_LIST, "&List\tAlt+L", "Chooses list visualisation mode\nList mode", "list-mode", true},
    {ID_MODE_PIE, "&Pie\tAlt+P", "Chooses pie visualisation mode\nPie mode", "pie-mode", true},
    {ID_MODE_SPIDER, nullptr, "Chooses spider visualisation mode\nSpider mode", nullptr, true},
    {ID_SHOW_ALL_FILES, "Show all &contained files",
     "Lists every file below the current directory\nShow all contained files", "all-files", true},
    {ID_SHOW_DIRECTORIES, "Show di&rectories",
     "Lists directories beside the files; off, the largest files come first\nShow directories", nullptr, true},
    {ID_VIEW_SIZE_ON_DISK, "Size on &disk",
     "Shows what files take on the disk, each hard-linked file once, in place of their lengths\nSize on disk", nullptr,
     true},
    {ID_COMPARE_WITH, "Co&mpare with", "Sets an earlier search of the same folder beside this one\nCompare with",
     nullptr, false},
    {ID_COMPARE_OTHER, "&Other saved search...",
     "Compares with a search saved by Volra or ncdu of the same folder\nOther saved search", nullptr, false},
    {ID_COMPARE_STOP, "Stop c&omparing", "Takes the earlier search away from this window\nStop comparing", nullptr,
     false},
    {ID_COLOUR_BY_CHANGE, "Colour by c&hange",
     "Colours blocks by their change: grown red, shrunk green, new bright, unchanged grey\nColour by change", nullptr,
     true},
    {ID_COLOUR_BY, "Colour b&y", "Chooses what the blocks' colours tell\nColour by", nullptr, false},
    {ID_COLOUR_BY_DEPTH, "&Depth", "Colours blocks by their depth and place among their neighbours\nColour by depth",
     nullptr, true},
    {ID_COLOUR_BY_TYPE, "&File type",
     "Colours files by what kind of data they hold, as the File types panel shows\nColour by file type", nullptr, true},
    {ID_COLOUR_BY_AGE, "&Age", "Colours files by when they were last modified, from newest to oldest\nColour by age",
     nullptr, true},
    {ID_VIEW_FILE_TYPES, "&File types",
     "Shows or hides the panel of file types below the current directory\nFile types", nullptr, true},
    {ID_SHOW_CHANGED_ONLY, "Show cha&nged only", "Lists only what changed since the earlier search\nShow changed only",
     nullptr, true},
    {ID_SHOW_REMOVED, "Show r&emoved", "Lists items gone since the earlier search, in grey\nShow removed", nullptr,
     true},
    {ID_MARK, "&Mark\tSpace", "Marks the selected item for cleaning up\nMark", nullptr, false},
    {ID_UNMARK, "&Unmark", "Takes the mark off the selected item\nUnmark", nullptr, false},
    {ID_UNMARK_ALL, "Unmark &all", "Takes every mark off\nUnmark all", nullptr, false},
    {ID_MARK_TOGGLE, nullptr, "Marks or unmarks the selected item\nMark or unmark", nullptr, false},
    {ID_VIEW_MARKED, "Mar&ked", "Shows or hides the panel of marked items\nMarked", nullptr, true},
    {ID_TRASH_MARKED, "Move marked to &trash",
     "Moves every marked item to the trash, from where Undo puts them back\nMove marked to trash", nullptr, false},
    {ID_DELETE_PERMANENTLY, "Delete &permanently\tShift+Del",
     "Deletes the marked items, or the selected one, for good: this cannot be undone\nDelete permanently", nullptr,
     false},
    {ID_EMPTY_VOLRA_TRASH, "&Empty what Volra trashed...",
     "Removes for good, from the trash, only the items Volra moved there\nEmpty what Volra trashed", nullptr, false},
    {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar", nullptr, true},
    {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar\nToggle StatusBar", nullptr, true},
    {ID_VIEW_DIRECTORY, "&View directory\tEnter", "Open directory in current view\nView directory", "view-directory",
     false},
    {ID_OPEN_RUN, "Open/&Run", "Open the selected file or folder\nOpen / Run", "open-run", false},
    {ID_DELETE, "&Delete\tDel", "Delete the selected file or folder\nDelete", "delete", false},
    {ID_WINDOW_CASCADE, "&Cascade", "Arrange windows so they overlap\nCascade Windows", nullptr, false},
    {ID_WINDOW_TILE, "&Tile", "Arrange windows as non-overlapping tiles\nTile Windows", nullptr, false},
    {ID_WINDOW_ARRANGE, "&Arrange Icons", "Arrange icons at the bottom of the window\nArrange Icons", nullptr, false},
    {ID_HELP_CONTENTS, "&Contents\tF1", "List Help topics\nHelp Topics", "help", false},
    {ID_APP_ABOUT, "&About Volra...", "Display program information and version\nAbout", "about", false},
    {ID_NEXT_PANE, nullptr, "Switch to the next window pane\nNext Pane", nullptr, false},
    {ID_PREV_PANE, nullptr, "Switch back to the previous window pane\nPrevious Pane", nullptr, false},
    {ID_EDIT_COPY, "&Copy path\tCtrl+C", "Copy the path of the selected file or folder\nCopy path", nullptr, false},
    {ID_EDIT_CUT, nullptr, "Cut the selection\nCut", nullptr, false},
    {ID_EDIT_PASTE, nullptr, "Insert the clipboard contents\nPaste", nullptr, false},
    {ID_FIND, "&Find...\tCtrl+F",
     "Shows only the files below the current directory whose names hold or match a pattern\nFind", nullptr, false},
    {ID_EDIT_UNDO, "&Undo\tCtrl+Z", "Puts the items last moved to the trash back where they were\nUndo", nullptr,
     false},
};

struct KeyBinding {
    UINT id;
    QKeyCombination key;
};

// The accelerator table. Cut, Paste and Undo have no handler anywhere, so their keys do
// nothing; they are listed so that the keys are taken the same way in every window.
const KeyBinding kKeys[] = {
    {ID_FILE_NEW, Qt::CTRL | Qt::Key_N},
    {ID_FILE_OPEN, Qt::CTRL | Qt::Key_O},
    {ID_FILE_SAVE, Qt::CTRL | Qt::Key_S},
    {ID_REFRESH, QKeyCombination(Qt::Key_F5)},
    {ID_OPEN_PARENT, QKeyCombination(Qt::Key_Backspace)},
    {ID_VIEW_DIRECTORY, QKeyCombination(Qt::Key_Return)},
    {ID_VIEW_DIRECTORY, QKeyCombination(Qt::Key_Enter)},
    {ID_VIEW_TREE, Qt::ALT | Qt::Key_T},
    {ID_MODE_BLOCK, Qt::ALT | Qt::Key_B},
    {ID_MODE_LIST, Qt::ALT | Qt::Key_L},
    {ID_MODE_PIE, Qt::ALT | Qt::Key_P},
    {ID_HELP_CONTENTS, QKeyCombination(Qt::Key_F1)},
    {ID_NEXT_PANE, QKeyCombination(Qt::Key_F6)},
    {ID_PREV_PANE, Qt::SHIFT | Qt::Key_F6},
    {ID_DELETE, QKeyCombination(Qt::Key_Delete)},
    {ID_FIND, Qt::CTRL | Qt::Key_F},
    {ID_EDIT_COPY, Qt::CTRL | Qt::Key_C},
    {ID_EDIT_COPY, Qt::CTRL | Qt::Key_Insert},
    {ID_EDIT_CUT, Qt::CTRL | Qt::Key_X},
    {ID_DELETE_PERMANENTLY, Qt::SHIFT | Qt::Key_Delete},
    {ID_MARK_TOGGLE, QKeyCombination(Qt::Key_Space)},
    {ID_EDIT_PASTE, Qt::CTRL | Qt::Key_V},
    {ID_EDIT_PASTE, Qt::SHIFT | Qt::Key_Insert},
    {ID_EDIT_UNDO, Qt::CTRL | Qt::Key_Z},
    {ID_EDIT_UNDO, Qt::ALT | Qt::Key_Backspace},
};

std::string PromptPart(UINT id, bool tooltip)
{
    const CCommandInfo* info = FindCommand(id);
    if (info == nullptr || info->prompt == nullptr)
        return {};
    const std::string text = info->prompt;
    const auto nl = text.find('\n');
    if (nl == std::string::npos)
        return tooltip ? std::string() : text;
    return tooltip ? text.substr(nl + 1) : text.substr(0, nl);
}
}  // namespace

const CCommandInfo* FindCommand(UINT id)
{
    for (const auto& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}

std::span<const CCommandInfo> AllCommands() { return kCommands; }

std::string CommandPrompt(UINT id) { return PromptPart(id, false); }
std::string CommandTooltip(UINT id) { return PromptPart(id, true); }

std::vector<QKeySequence> CommandKeys(UINT id)
{
    std::vector<QKeySequence> keys;
    for (const auto& k : kKeys)
        if (k.id == id)
            keys.emplace_back(k.key);
    return keys;
}

const std::vector<CMenuLayout>& MainMenuNoDocument()
{
    static const std::vector<CMenuLayout> menu = {
        {"&File", {ID_FILE_NEW, ID_FILE_OPEN, ID_PREFERENCES, 0, ID_APP_EXIT}},
        {"&View", {ID_VIEW_SIZE_ON_DISK, 0, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}},
        {"&Help", {ID_HELP_CONTENTS, ID_APP_ABOUT}},
    };
    return menu;
}

const std::vector<CMenuLayout>& MainMenuDocument()
{
    static const std::vector<CMenuLayout> menu = {
        {"&File", {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_CLOSE, ID_PREFERENCES, 0, ID_APP_EXIT}},
        {"&View",
         {ID_REFRESH,
          ID_OPEN_PARENT,
          0,
          ID_VIEW_TREE,
          ID_MODE_BLOCK,
          ID_MODE_LIST,
          ID_MODE_PIE,
          0,
          ID_SHOW_ALL_FILES,
          ID_SHOW_DIRECTORIES,
          ID_VIEW_SIZE_ON_DISK,
          0,
          ID_COLOUR_BY,
          ID_VIEW_FILE_TYPES,
          0,
          ID_COMPARE_WITH,
          ID_COMPARE_STOP,
          ID_COLOUR_BY_CHANGE,
          ID_SHOW_CHANGED_ONLY,
          ID_SHOW_REMOVED,
          0,
          ID_VIEW_MARKED,
          ID_VIEW_TOOLBAR,
          ID_VIEW_STATUS_BAR}},
        {"&Edit", {ID_EDIT_UNDO, 0, ID_FIND, 0, ID_EMPTY_VOLRA_TRASH}},
        {"&Selection",
         {ID_VIEW_DIRECTORY, ID_EDIT_COPY, 0, ID_OPEN_RUN, ID_DELETE, 0, ID_MARK, ID_UNMARK, ID_UNMARK_ALL, 0,
          ID_TRASH_MARKED, ID_DELETE_PERMANENTLY}},
        {"&Window", {ID_WINDOW_CASCADE, ID_WINDOW_TILE, ID_WINDOW_ARRANGE}},
        {"&Help", {ID_HELP_CONTENTS, ID_APP_ABOUT}},
    };
    return menu;
}

const std::vector<UINT>& ToolbarLayout()
{
    static const std::vector<UINT> bar = {
        ID_FILE_NEW,       ID_REFRESH,  0,           ID_VIEW_TREE,      ID_MODE_BLOCK,
        ID_MODE_LIST,      ID_MODE_PIE, 0,           ID_VIEW_DIRECTORY, ID_OPEN_PARENT,
        ID_SHOW_ALL_FILES, 0,           ID_OPEN_RUN, ID_DELETE,         0,
        ID_APP_ABOUT,
    };
    return bar;
}
