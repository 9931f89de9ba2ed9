#pragma once
#include "base/Types.h"

#include <QDialog>

#include <string>

class QLineEdit;

// "Enter new account name...": one edit for the name of a new FTP account. A name with
// "/" or "\" is refused with a message and the dialog stays open; anything else, the empty
// name included, is taken as it is.
class CNewAccountNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNewAccountNameDlg(QWidget* pParent = nullptr);

    // IDOK with the name in m_strName, or IDCANCEL.
    int DoModal();
    void accept() override;

    std::string m_strName;
    QLineEdit* GetNameEdit() const { return m_pName; }

private:
    QLineEdit* m_pName = nullptr;
};
