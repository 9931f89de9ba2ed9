#include "PrefsTree.h"

#include "framework/DataExchange.h"
#include "views/VolraPrefs.h"

#include <QCheckBox>
#include <QVBoxLayout>

CPrefsTree::CPrefsTree(QWidget* pParent) : CPropertyPage(QStringLiteral("Tree mode"), pParent)
{
    m_wndShowSizes = new QCheckBox(QStringLiteral("&Show directory size"), this);
    m_wndShowCounts = new QCheckBox(QStringLiteral("Show &counts instead of sizes"), this);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_wndShowSizes);
    pLayout->addWidget(m_wndShowCounts);
    pLayout->addStretch(1);
}

BOOL CPrefsTree::OnInitDialog()
{
    m_bShowSizes = AfxGetPrefs().m_bShowSizes;
    m_bShowCounts = AfxGetPrefs().m_bShowCounts;
    return CPropertyPage::OnInitDialog();
}

void CPrefsTree::DoDataExchange(CDataExchange* pDX)
{
    DDX_Check(pDX, m_wndShowSizes, m_bShowSizes);
    DDX_Check(pDX, m_wndShowCounts, m_bShowCounts);
}
