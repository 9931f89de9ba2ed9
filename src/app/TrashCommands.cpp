#include "TrashCommands.h"

#include "doc/DriveVolraDoc.h"
#include "framework/DisplayText.h"
#include "framework/ErrorBox.h"
#include "framework/UiServices.h"
#include "model/FormatSize.h"
#include "sys/LastError.h"
#include "sys/TrashBatch.h"
#include "sys/TrashRecord.h"

#include <QMessageBox>
#include <QPointer>
#include <algorithm>
#include <sys/stat.h>

namespace {
std::string ItemsText(std::size_t n) { return FormatCount(n) + (n == 1 ? " item" : " items"); }

// Yes/No, No unless answered; never asked in a headless run.
bool Confirm(const std::string& strText)
{
    if (IsHeadless())
        return false;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Volra"), DisplayText(strText),
                    QMessageBox::Yes | QMessageBox::No, AfxGetMainWnd());
    box.setWindowFlags(kDialogWindowFlags);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

// A path's parent folder; "/" for an item of the root.
std::string ParentOf(const std::string& strPath)
{
    const std::size_t slash = strPath.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : strPath.substr(0, slash);
}

bool IsBelow(const std::string& strPath, const std::string& strFolder)
{
    if (strFolder == "/")
        return strPath.size() > 1 && strPath[0] == '/';
    return strPath.size() > strFolder.size() && strPath.compare(0, strFolder.size(), strFolder) == 0
        && strPath[strFolder.size()] == '/';
}

// "2 items stayed in the trash:" and why, one line each.
std::string StayedText(const std::vector<CRestoreOutcome>& stayed)
{
    std::string text = ItemsText(stayed.size()) + " stayed in the trash:";
    for (const CRestoreOutcome& item : stayed) {
        text += "\n" + item.path + ": ";
        text += item.state == CRestoreOutcome::State::PlaceTaken ? std::string("something else is in its place")
                                                                 : ErrnoText(item.error);
    }
    return text;
}
}  // namespace

std::vector<std::string> FoldersToReadAgain(const std::vector<std::string>& paths)
{
    std::vector<std::string> folders;
    for (const std::string& path : paths)
        if (std::string parent = ParentOf(path); !parent.empty())
            folders.push_back(std::move(parent));
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    std::vector<std::string> tops;
    for (const std::string& folder : folders)
        if (std::none_of(tops.begin(), tops.end(), [&](const std::string& top) { return IsBelow(folder, top); }))
            tops.push_back(folder);
    return tops;
}

CTrashCommands::CTrashCommands(Documents documents) : m_documents(std::move(documents)) {}

// What a stat of Volra's trash record tells: a batch moved or put back rewrites it.
std::string CTrashCommands::RecordStamp()
{
    struct stat st {};
    const std::string strPath = CTrashRecord::Path();
    if (strPath.empty() || ::stat(strPath.c_str(), &st) != 0)
        return {};
    return std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "."
        + std::to_string(st.st_mtim.tv_nsec);
}

// A key is matched against this state right after a batch went to the trash: a change of
// the record is seen at once. Items the user restored or removed by other means only at
// the next look, a second later at most.
void CTrashCommands::OnUpdateUndo(CCmdUI* pCmdUI)
{
    const auto now = std::chrono::steady_clock::now();
    std::string strStamp = RecordStamp();
    if (now - m_lastLookup >= std::chrono::seconds(1) || strStamp != m_strStamp) {
        m_lastLookup = now;
        m_strStamp = std::move(strStamp);
        m_bCanUndo = LastTrashBatch() != 0;
    }
    pCmdUI->Enable(m_bCanUndo);
}

void CTrashCommands::OnUndo()
{
    m_lastLookup = {};  // whatever happens, the next look is afresh
    const std::uint64_t batch = LastTrashBatch();
    if (batch == 0) {
        ShowStatusMessage("Nothing to undo");
        return;
    }
    const CRestoreResult result = RestoreBatch(batch);
    std::vector<std::string> restored;
    std::vector<CRestoreOutcome> stayed;
    for (const CRestoreOutcome& item : result.items) {
        if (item.state == CRestoreOutcome::State::Restored)
            restored.push_back(item.path);
        else if (item.state != CRestoreOutcome::State::Gone)
            stayed.push_back(item);
    }
    ReadAgain(restored);
    ShowStatusMessage(ItemsText(restored.size()) + " put back from the trash");
    if (!result.strError.empty())
        ShowErrorBox(result.strError, AfxGetMainWnd());
    if (!stayed.empty())
        ShowErrorBox(StayedText(stayed), AfxGetMainWnd());
}

// Each folder is looked up afresh in each window before it is read: a reading dispatches
// events, and a window may close, or its tree change, meanwhile.
void CTrashCommands::ReadAgain(const std::vector<std::string>& paths)
{
    const std::vector<std::string> folders = FoldersToReadAgain(paths);
    std::vector<QPointer<CVolraDoc>> docs;
    for (CVolraDoc* pDoc : m_documents())
        docs.emplace_back(pDoc);
    for (const QPointer<CVolraDoc>& pDoc : docs) {
        for (const std::string& folder : folders) {
            const std::vector<CVolraDoc*> open = m_documents();
            if (pDoc == nullptr || std::find(open.begin(), open.end(), pDoc.data()) == open.end())
                break;
            auto* pDrive = qobject_cast<CDriveVolraDoc*>(pDoc.data());
            if (pDrive == nullptr || pDrive->IsSearching())
                break;  // only a local search can read its folders again
            if (CEntry* pFolder = pDrive->FindEntry(folder); pFolder != nullptr && pFolder->IsDirectory())
                pDrive->RefreshDirectory(pFolder);
        }
    }
}

void CTrashCommands::OnEmptyTrashed()
{
    const CRecordedTrash recorded = MeasureRecordedTrash();
    if (!recorded.strError.empty()) {
        ShowErrorBox(recorded.strError, AfxGetMainWnd());
        return;
    }
    if (recorded.nItems == 0) {
        ShowStatusMessage("Nothing that Volra moved is left in the trash");
        return;
    }
    if (!Confirm("Remove the " + ItemsText(recorded.nItems) + " Volra moved to the trash for good? This frees "
                 + FormatSize(recorded.nBytes) + ".\nThe rest of the trash stays as it is."))
        return;
    m_lastLookup = {};
    BeginWaitCursor();
    const CEmptyResult result = EmptyRecorded();
    EndWaitCursor();
    ShowStatusMessage("Emptied " + ItemsText(result.nRemoved) + " from the trash, freed " + FormatSize(result.nFreed));
    std::string strLeft;
    for (const CRemoveLeft& left : result.left)
        strLeft += "\n" + left.path + ": " + left.Text();
    if (!result.left.empty())
        ShowErrorBox(ItemsText(result.left.size()) + " could not be removed:" + strLeft, AfxGetMainWnd());
    if (!result.strError.empty())
        ShowErrorBox(result.strError, AfxGetMainWnd());
}
