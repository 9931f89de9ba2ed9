#pragma once
#include "framework/CmdTarget.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CVolraDoc;

// Edit > Undo and "Empty what Volra trashed": they act on Volra's record of the trash,
// which may hold items of any window, so the application carries them out.
class CTrashCommands {
public:
    using Documents = std::function<std::vector<CVolraDoc*>()>;
    // documents lists the open searches, read again whenever needed: one may close while
    // a folder is read again.
    explicit CTrashCommands(Documents documents);

    // Puts the last batch moved to the trash back; an item whose place is taken stays in
    // the trash and is named. The folders that got items back are read again in every
    // window whose tree holds them.
    void OnUndo();
    // Enabled while Volra's record holds a batch still in the trash; looked up when the
    // record changes and at most once a second else, as it reads the record and the trash.
    void OnUpdateUndo(CCmdUI* pCmdUI);
    // After a question with the size it frees, removes for good what Volra moved to the
    // trash, nothing else of it.
    void OnEmptyTrashed();

private:
    void ReadAgain(const std::vector<std::string>& paths);
    static std::string RecordStamp();

    Documents m_documents;
    std::chrono::steady_clock::time_point m_lastLookup{};
    std::string m_strStamp;  // RecordStamp at the last look
    bool m_bCanUndo = false;
};

// The parent folders of the paths, none below another: reading those again covers all.
std::vector<std::string> FoldersToReadAgain(const std::vector<std::string>& paths);
