#include "SearchProgressDlg.h"

#include "SearchProgressWindow.h"
#include "framework/UiServices.h"

#include <QDialog>

CSearchProgressDlg::CSearchProgressDlg() = default;

CSearchProgressDlg::~CSearchProgressDlg() = default;

void CSearchProgressDlg::Create(QWidget* pParent)
{
    // Headless tools walk without widgets: the fields are still kept, nothing is shown.
    if (!HaveWidgets())
        return;
    DestroyWindow();
    m_pWnd = std::make_unique<CSearchProgressWindow>(pParent, [this] { OnCancel(); });
    // A refresh starts from the figures the previous search ended with.
    UpdateData(FALSE);
    m_pWnd->Show();
}

void CSearchProgressDlg::DestroyWindow() { m_pWnd.reset(); }

QWidget* CSearchProgressDlg::GetWindow() const { return m_pWnd != nullptr ? m_pWnd->Dialog() : nullptr; }

void CSearchProgressDlg::UpdateData(BOOL bSaveAndValidate)
{
    // The controls are read-only, so there is nothing to save in the other direction.
    if (bSaveAndValidate || m_pWnd == nullptr)
        return;
    m_pWnd->SetTexts(m_strFiles, m_strDirectories, m_strCurrentDir);
    m_pWnd->SetSize(m_strSize);
    m_pWnd->SetPercent(m_nPercent);
}

void CSearchProgressDlg::OnCancel()
{
    m_bCancelled = TRUE;
    if (m_pWnd != nullptr)
        m_pWnd->Hide();
}
