#include "PrefsTree.h"

#include "framework/DataExchange.h"
#include "views/VolraPrefs.h"

#include <QCheckBox>
#include <QVBoxLayout>

CPrefsTree::CPrefsTree(QWidget* pParent) : CPropertyPage(QStringLiteral("Tree mode"), pParent)
{
    m_wndShowSizes = new QCheckBox(QStringLiteral("&Show directory size"), this);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_wndShowSizes);
    pLayout->addStretch(1);
}

BOOL CPrefsTree::OnInitDialog()
{
    m_bShowSizes = AfxGetPrefs().m_bShowSizes;
    return CPropertyPage::OnInitDialog();
}

void CPrefsTree::DoDataExchange(CDataExchange* pDX) { DDX_Check(pDX, m_wndShowSizes, m_bShowSizes); }
