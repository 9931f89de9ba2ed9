#pragma once
#include "base/Types.h"

#include <QKeySequence>
#include <span>
#include <string>
#include <vector>

// Every command of the program, declared once: the menus, the toolbar, the keys and the
// status-bar prompts are all built from this table.
struct CCommandInfo {
    UINT id;
    const char* menuText;  // main menu text, "&" marks the mnemonic, "\t" the key text
    const char* prompt;  // status-bar prompt, "\n", tooltip
    const char* iconName;  // picture ":/toolbar/<iconName>.svg" (resources/toolbar), or null
    bool checkable;
};

const CCommandInfo* FindCommand(UINT id);
std::span<const CCommandInfo> AllCommands();

// The status-bar prompt (text before "\n") and the tooltip (text after it).
std::string CommandPrompt(UINT id);
std::string CommandTooltip(UINT id);

// The keys of the accelerator table that carry the command (several for some).
std::vector<QKeySequence> CommandKeys(UINT id);

// Menu layouts: 0 = separator; a top-level menu is a title followed by its items.
struct CMenuLayout {
    const char* title;
    std::vector<UINT> items;
};
const std::vector<CMenuLayout>& MainMenuNoDocument();  // while no search window is open
const std::vector<CMenuLayout>& MainMenuDocument();  // while a search window is active
const std::vector<UINT>& ToolbarLayout();
