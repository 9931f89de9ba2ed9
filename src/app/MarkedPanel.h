#pragma once
#include <QAction>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class CMarkedListModel;
class CVolraDoc;
class QLabel;
class QPushButton;
class QTableView;
struct CFreedSpace;

// The "Marked" panel: what is marked in the active search, and what deleting it would
// give back. Above, "N items · X on disk · frees Y" and the file systems concerned; below,
// one row per marked item below no other mark; and buttons for the two commands that act
// on the marks (the main window's own actions, enabled while they are and something is
// marked).
class CMarkedPanel : public QWidget {
    Q_OBJECT
public:
    CMarkedPanel(QAction* pTrash, QAction* pDelete, QWidget* pParent = nullptr);
    ~CMarkedPanel() override;

    // Shows the marks of this document (null: none); follows it as its marks or its tree
    // change, until it closes.
    void SetDocument(CVolraDoc* pDoc);
    // Called once, the first time the document shown has marks: the panel's place shows.
    void SetFirstMarksHandler(std::function<void()> handler) { m_onFirstMarks = std::move(handler); }

    // The summary line and the rows, worked out now rather than when events next run.
    void Recompute();
    QString SummaryText() const;
    const CMarkedListModel& Model() const { return *m_pModel; }

    // A few rows high: the dock opens below the views without crowding them.
    QSize sizeHint() const override;

    // "On /home and /media/usb (another file system)": where the items lie.
    static std::string DevicesText(const CFreedSpace& freed);

private:
    void ScheduleRecompute();
    QPushButton* ActionButton(const QString& strText, QAction* pAction);
    void UpdateButtons();

    QPointer<CVolraDoc> m_pDoc;
    CMarkedListModel* m_pModel;  // owned by this widget, like the rest below
    QLabel* m_pSummary;
    QTableView* m_pTable;
    std::function<void()> m_onFirstMarks;
    bool m_bPending = false;
    std::vector<std::pair<QPushButton*, QPointer<QAction>>> m_buttons;
};
