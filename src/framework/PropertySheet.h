#pragma once
#include "base/Types.h"

#include <QDialog>

#include <vector>

class CPropertyPage;
class QPushButton;
class QTabWidget;

// A modal dialog of tabbed pages with OK and Cancel. Only one page is active at a time; a
// page that is left, by its tab or by OK, validates first and stays shown when it fails.
// OK ends the sheet with IDOK once the active page validated; Cancel, Escape and the close
// box end it with IDCANCEL and read nothing back. The values stay in the pages, for the
// caller to take after DoModal.
class CPropertySheet : public QDialog {
    Q_OBJECT
public:
    explicit CPropertySheet(const QString& strCaption, QWidget* pParent = nullptr, int nSelectPage = 0);
    ~CPropertySheet() override;

    // The sheet takes the page over; pages show in the order they were added.
    void AddPage(CPropertyPage* pPage);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int nPage) const { return m_pages.at(static_cast<std::size_t>(nPage)); }
    int GetActiveIndex() const { return m_nActive; }
    CPropertyPage* GetActivePage() const;
    // Leaves the active page for another, as its tab does; FALSE when the active page did
    // not validate and stays.
    BOOL SetActivePage(int nPage);

    QTabWidget* GetTabControl() const { return m_pTabs; }
    QPushButton* GetOkButton() const { return m_pOk; }
    QPushButton* GetCancelButton() const { return m_pCancel; }

    // IDOK or IDCANCEL.
    int DoModal();

    void accept() override;
    void reject() override;

private:
    void OnTabChanged(int nPage);
    void Activate(int nPage);

    QTabWidget* m_pTabs = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    std::vector<CPropertyPage*> m_pages;  // owned by the tab control
    int m_nStartPage;
    int m_nActive = -1;
};
