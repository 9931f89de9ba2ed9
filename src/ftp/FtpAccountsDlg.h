#pragma once
#include "FtpAccount.h"
#include "base/Types.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "Set up FTP connection": the stored accounts in a sorted list, the details of the
// selected one in four edits. Every change of an edit goes straight into the selected
// account (the port checked at once, 0 to 65535; a port stored out of range is shown as
// stored and checked likewise); New and Remove change the list, Remove
// also the settings at once; OK stores every listed account and keeps the details shown
// for the search. With no account listed only New and Cancel can be used.
class CFtpAccountsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFtpAccountsDlg(QWidget* pParent = nullptr);
    ~CFtpAccountsDlg() override;

    // Fills the list from the settings, then runs the dialog: IDOK or IDCANCEL.
    int DoModal();
    // Lists the stored accounts and shows the first; DoModal calls it.
    void OnInitDialog();
    // Exchanges the four edits with the fields and the selected account: TRUE fills the
    // fields (and the account) from the edits, with the port checked; FALSE fills the edits.
    BOOL UpdateData(BOOL bSaveAndValidate);

    void OnNew();
    void OnRemove();
    void OnSelChange();
    void accept() override;  // OK

    // How New asks for the name: CNewAccountNameDlg; TRUE with the name, FALSE when cancelled.
    std::function<BOOL(std::string&)> m_askName;

    // After IDOK: the details the edits showed.
    std::string m_strHost;
    std::string m_strPassword;
    int m_nPort = 21;
    std::string m_strUserName;
    CFtpAccount* m_pAccount = nullptr;  // the account the edits show; owned by the dialog

    QListWidget* GetList() const { return m_pList; }
    QPushButton* GetNewButton() const { return m_pNew; }
    QPushButton* GetRemoveButton() const { return m_pRemove; }
    QPushButton* GetOkButton() const { return m_pOk; }
    QLineEdit* GetHostEdit() const { return m_pHost; }
    QLineEdit* GetPortEdit() const { return m_pPort; }
    QLineEdit* GetUserNameEdit() const { return m_pUserName; }
    QLineEdit* GetPasswordEdit() const { return m_pPassword; }

private:
    void CreateControls();
    QListWidgetItem* AddAccount(std::unique_ptr<CFtpAccount> pAccount);
    CFtpAccount* AccountOf(const QListWidgetItem* pItem) const;
    void SelectRow(int nRow);  // as a program does: no selection-change handling
    void EnableDetails(bool bEnable);
    void SaveAccounts();

    QListWidget* m_pList = nullptr;
    QPushButton* m_pNew = nullptr;
    QPushButton* m_pRemove = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QLineEdit* m_pHost = nullptr;
    QLineEdit* m_pPort = nullptr;
    QLineEdit* m_pUserName = nullptr;
    QLineEdit* m_pPassword = nullptr;
    std::vector<std::unique_ptr<CFtpAccount>> m_accounts;  // the listed accounts
    bool m_bExchanging = false;  // edits changed by an exchange are not read back
};
