#include "FtpAccountsDlg.h"

#include "FtpAccountStore.h"
#include "NewAccountNameDlg.h"
#include "framework/DataExchange.h"
#include "framework/ErrorBox.h"
#include "framework/UiServices.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

CFtpAccountsDlg::CFtpAccountsDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("Set up FTP connection"));
    setWindowFlags(kDialogWindowFlags);
    setModal(true);
    CreateControls();
    m_askName = [this](std::string& strName) {
        CNewAccountNameDlg dlg(this);
        if (dlg.DoModal() != IDOK)
            return FALSE;
        strName = dlg.m_strName;
        return TRUE;
    };
}

CFtpAccountsDlg::~CFtpAccountsDlg() = default;

void CFtpAccountsDlg::CreateControls()
{
    m_pList = new QListWidget(this);
    m_pList->setSortingEnabled(true);
    m_pList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pNew = new QPushButton(QStringLiteral("New"), this);
    m_pRemove = new QPushButton(QStringLiteral("Remove"), this);
    auto* pAccounts = new QGroupBox(QStringLiteral("Accounts"), this);
    auto* pListButtons = new QHBoxLayout;
    pListButtons->addWidget(m_pNew);
    pListButtons->addWidget(m_pRemove);
    auto* pAccountsLayout = new QVBoxLayout(pAccounts);
    pAccountsLayout->addWidget(m_pList);
    pAccountsLayout->addLayout(pListButtons);

    m_pHost = new QLineEdit(this);
    m_pPort = new QLineEdit(this);
    m_pUserName = new QLineEdit(this);
    m_pPassword = new QLineEdit(this);
    m_pPassword->setEchoMode(QLineEdit::Password);
    auto* pDetails = new QGroupBox(QStringLiteral("Details"), this);
    auto* pForm = new QFormLayout(pDetails);
    pForm->addRow(QStringLiteral("Host"), m_pHost);
    pForm->addRow(QStringLiteral("Port"), m_pPort);
    pForm->addRow(QStringLiteral("Username"), m_pUserName);
    pForm->addRow(QStringLiteral("Password"), m_pPassword);

    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pOk);
    pButtons->addWidget(m_pCancel);

    auto* pGroups = new QHBoxLayout;
    pGroups->addWidget(pAccounts);
    pGroups->addWidget(pDetails, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pGroups);
    pLayout->addLayout(pButtons);

    connect(m_pNew, &QPushButton::clicked, this, &CFtpAccountsDlg::OnNew);
    connect(m_pRemove, &QPushButton::clicked, this, &CFtpAccountsDlg::OnRemove);
    connect(m_pOk, &QPushButton::clicked, this, &CFtpAccountsDlg::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CFtpAccountsDlg::reject);
    connect(m_pList, &QListWidget::currentRowChanged, this, &CFtpAccountsDlg::OnSelChange);
    // Every keystroke goes into the selected account.
    for (QLineEdit* pEdit : {m_pHost, m_pPort, m_pUserName, m_pPassword})
        connect(pEdit, &QLineEdit::textChanged, this, [this] {
            if (!m_bExchanging)
                UpdateData(TRUE);
        });
}

int CFtpAccountsDlg::DoModal()
{
    OnInitDialog();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CFtpAccountsDlg::OnInitDialog()
{
    UpdateData(FALSE);
    std::vector<CFtpAccount> stored;
    if (!FtpAccountStore::Load(stored)) {
        ReportLastError();
        return;  // an empty list, everything usable: typed details still serve the search
    }
    for (CFtpAccount& account : stored)
        AddAccount(std::make_unique<CFtpAccount>(std::move(account)));
    if (m_pList->count() > 0) {
        SelectRow(0);
        OnSelChange();
    } else {
        EnableDetails(false);
    }
}

BOOL CFtpAccountsDlg::UpdateData(BOOL bSaveAndValidate)
{
    m_bExchanging = true;
    if (!bSaveAndValidate && m_pAccount != nullptr) {
        m_strHost = m_pAccount->strHost;
        m_strUserName = m_pAccount->strUserName;
        m_strPassword = m_pAccount->strPassword;
        m_nPort = m_pAccount->nPort;
    }
    CDataExchange dx(this, bSaveAndValidate);
    DDX_Text(&dx, m_pHost, m_strHost);
    DDX_Text(&dx, m_pPassword, m_strPassword);
    DDX_Text(&dx, m_pPort, m_nPort);
    if (!bSaveAndValidate && m_pAccount != nullptr && !m_pAccount->strStoredPort.empty())
        m_pPort->setText(QString::fromStdString(m_pAccount->strStoredPort));  // checked when read back
    DDV_MinMaxInt(&dx, m_pPort, m_nPort, 0, 65535);
    DDX_Text(&dx, m_pUserName, m_strUserName);
    m_bExchanging = false;
    if (dx.HasFailed())
        return FALSE;  // the account keeps what it had before the port went wrong
    if (bSaveAndValidate && m_pAccount != nullptr) {
        m_pAccount->strHost = m_strHost;
        m_pAccount->strUserName = m_strUserName;
        m_pAccount->strPassword = m_strPassword;
        m_pAccount->nPort = m_nPort;
        m_pAccount->strStoredPort.clear();
    }
    return TRUE;
}

void CFtpAccountsDlg::OnNew()
{
    std::string strName;
    if (!m_askName(strName) || strName.empty())
        return;
    UpdateData(TRUE);
    auto pAccount = std::make_unique<CFtpAccount>();
    pAccount->strName = strName;
    CFtpAccount* pNew = pAccount.get();
    m_pList->setEnabled(true);
    SelectRow(m_pList->row(AddAccount(std::move(pAccount))));
    m_pAccount = pNew;
    UpdateData(FALSE);
    EnableDetails(true);
    m_pHost->setFocus();
}

void CFtpAccountsDlg::OnRemove()
{
    const int nRow = m_pList->currentRow();
    if (nRow < 0 || m_pAccount == nullptr)
        return;
    FtpAccountStore::Remove(m_pAccount->strName);
    {
        const QSignalBlocker quiet(m_pList);
        delete m_pList->takeItem(nRow);
    }
    m_accounts.erase(
        std::find_if(m_accounts.begin(), m_accounts.end(), [this](const auto& p) { return p.get() == m_pAccount; }));
    m_pAccount = nullptr;
    if (m_pList->count() == 0) {
        m_strHost.clear();
        m_strUserName.clear();
        m_strPassword.clear();
        m_nPort = 21;
        UpdateData(FALSE);
        EnableDetails(false);
    } else {
        SelectRow(0);
        OnSelChange();
    }
}

void CFtpAccountsDlg::OnSelChange()
{
    UpdateData(TRUE);
    m_pAccount = AccountOf(m_pList->currentItem());
    UpdateData(FALSE);
}

// The accounts are stored even when the port is wrong; the dialog closes only once it is
// right. (The port is checked once, so its message comes once.)
void CFtpAccountsDlg::accept()
{
    const BOOL bValid = UpdateData(TRUE);
    SaveAccounts();
    if (bValid)
        QDialog::accept();
}

void CFtpAccountsDlg::SaveAccounts()
{
    std::vector<CFtpAccount> listed;
    for (int i = 0; i < m_pList->count(); ++i)
        listed.push_back(*AccountOf(m_pList->item(i)));
    FtpAccountStore::Save(listed);
}

QListWidgetItem* CFtpAccountsDlg::AddAccount(std::unique_ptr<CFtpAccount> pAccount)
{
    const QSignalBlocker quiet(m_pList);
    auto* pItem = new QListWidgetItem(QString::fromStdString(pAccount->strName));
    pItem->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(pAccount.get())));
    m_accounts.push_back(std::move(pAccount));
    m_pList->addItem(pItem);
    return pItem;
}

CFtpAccount* CFtpAccountsDlg::AccountOf(const QListWidgetItem* pItem) const
{
    return pItem != nullptr ? reinterpret_cast<CFtpAccount*>(pItem->data(Qt::UserRole).value<quintptr>()) : nullptr;
}

void CFtpAccountsDlg::SelectRow(int nRow)
{
    const QSignalBlocker quiet(m_pList);
    m_pList->setCurrentRow(nRow);
}

void CFtpAccountsDlg::EnableDetails(bool bEnable)
{
    for (QWidget* pControl :
         std::initializer_list<QWidget*>{m_pHost, m_pUserName, m_pPassword, m_pPort, m_pList, m_pOk, m_pRemove})
        pControl->setEnabled(bEnable);
}
