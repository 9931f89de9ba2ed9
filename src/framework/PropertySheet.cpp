#include "PropertySheet.h"

#include "PropertyPage.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

CPropertySheet::CPropertySheet(const QString& strCaption, QWidget* pParent, int nSelectPage)
    : QDialog(pParent), m_nStartPage(nSelectPage)
{
    setWindowTitle(strCaption);
    setModal(true);
    m_pTabs = new QTabWidget(this);
    m_pTabs->setUsesScrollButtons(false);  // the sheet is as wide as all its tabs
    auto* pButtons = new QDialogButtonBox(this);
    m_pOk = pButtons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_pCancel = pButtons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_pOk->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CPropertySheet::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CPropertySheet::reject);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CPropertySheet::OnTabChanged);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pTabs);
    pLayout->addWidget(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);  // as large as the largest page
}

CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    m_pages.push_back(pPage);
    const QSignalBlocker quiet(m_pTabs);  // the first page added is not "activated" yet
    m_pTabs->addTab(pPage, pPage->GetCaption());
}

CPropertyPage* CPropertySheet::GetActivePage() const { return m_nActive < 0 ? nullptr : GetPage(m_nActive); }

int CPropertySheet::DoModal()
{
    if (m_nActive < 0 && !m_pages.empty())
        Activate(std::clamp(m_nStartPage, 0, GetPageCount() - 1));
    return exec();
}

BOOL CPropertySheet::SetActivePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return FALSE;
    if (nPage == m_nActive)
        return TRUE;
    if (CPropertyPage* pOld = GetActivePage(); pOld != nullptr && !pOld->OnKillActive())
        return FALSE;
    Activate(nPage);
    return TRUE;
}

void CPropertySheet::Activate(int nPage)
{
    m_nActive = nPage;
    const QSignalBlocker quiet(m_pTabs);
    m_pTabs->setCurrentIndex(nPage);
    GetPage(nPage)->OnSetActive();
}

// The tab control has already switched: switch back while the page being left validates,
// so that its message shows over it and it stays when it fails.
void CPropertySheet::OnTabChanged(int nPage)
{
    if (m_nActive < 0) {
        Activate(nPage);
        return;
    }
    {
        const QSignalBlocker quiet(m_pTabs);
        m_pTabs->setCurrentIndex(m_nActive);
    }
    SetActivePage(nPage);
}

void CPropertySheet::accept()
{
    if (CPropertyPage* pPage = GetActivePage(); pPage != nullptr && !pPage->OnKillActive())
        return;
    done(IDOK);
}

void CPropertySheet::reject() { done(IDCANCEL); }
