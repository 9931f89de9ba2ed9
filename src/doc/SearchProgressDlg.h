#pragma once
#include "base/Types.h"

#include <memory>
#include <string>

class QWidget;
class CSearchProgressWindow;

// The "Search in progress" dialog of a running search. The object lives as long as its
// document and keeps its fields between searches; its window exists only while a search
// runs (Create / DestroyWindow). The walk writes the fields and pushes them to the window
// with UpdateData(FALSE); Cancel, Escape and the close box set m_bCancelled and hide the
// window. A new search's cancel discards its document; a refresh clears the flag before
// its walk, since a cancelled refresh keeps the document.
class CSearchProgressDlg {
public:
    CSearchProgressDlg();
    ~CSearchProgressDlg();
    CSearchProgressDlg(const CSearchProgressDlg&) = delete;
    CSearchProgressDlg& operator=(const CSearchProgressDlg&) = delete;

    // Creates and shows the modeless window, centred over pParent (which may be null).
    void Create(QWidget* pParent);
    void DestroyWindow();
    // The window while it exists, else null.
    QWidget* GetWindow() const;

    // bSaveAndValidate FALSE: fields to controls. TRUE is not used by the walk.
    void UpdateData(BOOL bSaveAndValidate);
    // Cancel, Escape and the close box all end up here.
    void OnCancel();

    BOOL m_bCancelled = FALSE;
    std::string m_strDirectories;  // directories found so far, as decimal text
    std::string m_strFiles;  // files found so far, as decimal text
    std::string m_strCurrentDir;  // full path of the directory being read
    std::string m_strSize;  // what the entries found so far hold, as a size text
    int m_nPercent = -1;  // how much of the file system was walked, or -1: unknown

private:
    std::unique_ptr<CSearchProgressWindow> m_pWnd;
};
