#include "PrefsHistory.h"

#include "HistoryPrefs.h"
#include "framework/DataExchange.h"
#include "framework/SpinEdit.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace {
constexpr int kSpinDigits = 8;  // an edit's width, in digits: a terabyte in MiB fits
}  // namespace

CPrefsHistory::CPrefsHistory(int bKeep, int nPerFolder, int nSpaceMiB, QWidget* pParent)
    : CPropertyPage(QStringLiteral("History"), pParent), m_bKeep(bKeep), m_nPerFolder(nPerFolder),
      m_nSpaceMiB(nSpaceMiB)
{
    m_wndKeep = new QCheckBox(QStringLiteral("&Keep searches for comparison"), this);
    m_wndPerFolderSpin = new CSpinEdit(this);
    m_wndSpaceSpin = new CSpinEdit(this);
    const int nSpinWidth = m_wndSpaceSpin->fontMetrics().horizontalAdvance(QString(kSpinDigits, u'0')) + 24;
    for (CSpinEdit* pSpin : {m_wndPerFolderSpin, m_wndSpaceSpin})
        pSpin->setFixedWidth(nSpinWidth);
    // The numbers mean nothing while nothing is kept.
    for (CSpinEdit* pSpin : {m_wndPerFolderSpin, m_wndSpaceSpin})
        connect(m_wndKeep, &QCheckBox::toggled, pSpin, &QWidget::setEnabled);

    auto* pForm = new QFormLayout;
    pForm->addRow(QStringLiteral("Searches kept per &folder"), m_wndPerFolderSpin);
    pForm->addRow(QStringLiteral("&Space for kept searches (MiB)"), m_wndSpaceSpin);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_wndKeep);
    pLayout->addLayout(pForm);
    pLayout->addStretch(1);
}

BOOL CPrefsHistory::OnInitDialog()
{
    m_wndPerFolderSpin->SetRange(CHistoryPrefs::kMinPerFolder, CHistoryPrefs::kMaxPerFolder);
    m_wndSpaceSpin->SetRange(CHistoryPrefs::kMinSpaceMiB, CHistoryPrefs::kMaxSpaceMiB);
    const BOOL bResult = CPropertyPage::OnInitDialog();
    for (CSpinEdit* pSpin : {m_wndPerFolderSpin, m_wndSpaceSpin})
        pSpin->setEnabled(m_wndKeep->isChecked());
    return bResult;
}

void CPrefsHistory::DoDataExchange(CDataExchange* pDX)
{
    DDX_Check(pDX, m_wndKeep, m_bKeep);
    DDX_Text(pDX, m_wndPerFolderSpin->GetEdit(), m_nPerFolder);
    DDX_Text(pDX, m_wndSpaceSpin->GetEdit(), m_nSpaceMiB);
}
