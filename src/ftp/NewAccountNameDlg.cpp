#include "NewAccountNameDlg.h"

#include "FtpAccountStore.h"
#include "framework/UiServices.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

CNewAccountNameDlg::CNewAccountNameDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("Enter new account name..."));
    setWindowFlags(kDialogWindowFlags);
    setModal(true);
    m_pName = new QLineEdit(this);
    m_pName->setMinimumWidth(240);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CNewAccountNameDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CNewAccountNameDlg::reject);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pName);
    pLayout->addWidget(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}

int CNewAccountNameDlg::DoModal() { return exec() == QDialog::Accepted ? IDOK : IDCANCEL; }

void CNewAccountNameDlg::accept()
{
    const std::string strName = m_pName->text().toStdString();
    if (!FtpAccountStore::IsStorableName(strName)) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Volra"),
                        QStringLiteral("An account name cannot contain \"/\" or \"\\\". Please choose another name."),
                        QMessageBox::Ok, this);
        box.setWindowFlags(kDialogWindowFlags);
        box.exec();
        m_pName->setFocus();
        m_pName->selectAll();
        return;
    }
    m_strName = strName;
    QDialog::accept();
}
