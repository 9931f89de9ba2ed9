#pragma once
#include "base/Types.h"
#include "sys/DiskSpace.h"
#include "sys/MountTable.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

// "Select drive to search...": the mounted file systems in a list, one row per mount point
// with its kind's icon, its volume label, its size, the space used (with a bar) and the
// space free; a cell too narrow for its text shows it whole in a tip. Network and FUSE file
// systems are asked for their space on threads of their own, and their figures come when
// they come: a server that went away never holds up the dialog. OK stays disabled until a
// row is selected;
// a double-click on a row chooses it at once. A row is not checked for readiness here:
// the document finds out when it lists the root. "Folder..." offers the desktop's folder
// chooser instead: any folder, searched as "volra PATH" searches it.
class CDriveSelectDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDriveSelectDlg(QWidget* pParent = nullptr, std::vector<CDriveInfo> drives = EnumerateDrives(),
                             DiskSpaceReader spaceReader = ReadDiskSpace);

    // The columns of the list.
    enum Column { kDriveColumn, kTitleColumn, kSizeColumn, kUsedColumn, kFreeColumn, kColumnCount };

    // Runs the dialog; IDOK when a drive was chosen, else IDCANCEL.
    int DoModal();

    std::string m_strDrive;  // the chosen root, e.g. "/home"; empty until a row is chosen
    std::string m_strTitle;  // "Drive " + m_strDrive, or "Folder " + it for a chosen folder

    QTreeWidget* GetList() const { return m_pList; }
    QPushButton* GetOkButton() const { return m_pOk; }
    QPushButton* GetCancelButton() const { return m_pCancel; }
    QPushButton* GetFolderButton() const { return m_pFolder; }

    // The root a row stands for, exactly as the mount table gave it.
    static std::string RootOfItem(const QTreeWidgetItem* pItem);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void CreateControls();
    void FillList(const std::vector<CDriveInfo>& drives);
    void OnSelectionChanged();
    void OnItemDoubleClicked(QTreeWidgetItem* pItem);
    void TakeRow(const QTreeWidgetItem* pItem);
    void OnChooseFolder();
    void AskSpace(QTreeWidgetItem* pItem, const CDriveInfo& drive);
    void PollSpace();
    static void ShowSpace(QTreeWidgetItem* pItem, const CDiskSpace& space);
    void SetColumnWidths();

    struct PendingSpace {
        QTreeWidgetItem* pItem;  // a row of m_pList, which owns it
        std::shared_ptr<CDiskSpaceQuery> query;
    };
    DiskSpaceReader m_spaceReader;
    std::vector<PendingSpace> m_pendingSpace;
    QTimer* m_pSpaceTimer = nullptr;

    QTreeWidget* m_pList = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pFolder = nullptr;
};
