#include "PropertyPage.h"

#include "DataExchange.h"

CPropertyPage::CPropertyPage(const QString& strCaption, QWidget* pParent) : QWidget(pParent), m_strCaption(strCaption)
{}

BOOL CPropertyPage::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.HasFailed() ? FALSE : TRUE;
}

BOOL CPropertyPage::OnSetActive()
{
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

BOOL CPropertyPage::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CPropertyPage::DoDataExchange(CDataExchange*) {}
