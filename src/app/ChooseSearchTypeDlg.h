#pragma once
#include "base/Types.h"

#include <QDialog>

class QPushButton;

// Control ids of the search buttons; each is also the dialog's result when it is pressed.
constexpr int IDC_LOCAL_DRIVE = 1021;
constexpr int IDC_FTP_ACCOUNT = 1022;
constexpr int IDC_SSH_ADDRESS = 1023;

// "Choose search type": the first question of every new search. The local search is the
// default button, so Enter picks it; Escape and the close box cancel.
class CChooseSearchTypeDlg : public QDialog {
    Q_OBJECT
public:
    // bFtpEnabled FALSE greys the FTP button, for a program built without FTP search.
    explicit CChooseSearchTypeDlg(QWidget* pParent = nullptr, BOOL bFtpEnabled = TRUE);

    // Runs the dialog; IDC_LOCAL_DRIVE, IDC_FTP_ACCOUNT, IDC_SSH_ADDRESS or IDCANCEL.
    int DoModal();

    void EnableFtp(BOOL bEnable);

    QPushButton* GetLocalButton() const { return m_pLocal; }
    QPushButton* GetFtpButton() const { return m_pFtp; }
    QPushButton* GetSshButton() const { return m_pSsh; }
    QPushButton* GetCancelButton() const { return m_pCancel; }

    // Every way of dismissing the dialog without a choice (Escape, the close box) ends it
    // with IDCANCEL, the result the document template tests for.
    void reject() override;

private:
    void CreateControls();

    QPushButton* m_pLocal = nullptr;
    QPushButton* m_pFtp = nullptr;
    QPushButton* m_pSsh = nullptr;
    QPushButton* m_pCancel = nullptr;
};
