#pragma once
#include "framework/PropertyPage.h"

class CSpinEdit;
class QCheckBox;

// The "History" page of the Preferences: whether finished searches are kept for
// comparison, how many of each folder, and the space they may take. The numbers are taken
// as typed (digits only); the history brings them within its ranges where it uses them.
class CPrefsHistory : public CPropertyPage {
    Q_OBJECT
public:
    // The values shown at first: the history's own preferences.
    CPrefsHistory(int bKeep, int nPerFolder, int nSpaceMiB, QWidget* pParent = nullptr);

    int m_bKeep = 0;
    int m_nPerFolder = 0;
    int m_nSpaceMiB = 0;
    QCheckBox* m_wndKeep = nullptr;  // "&Keep searches for comparison"
    CSpinEdit* m_wndPerFolderSpin = nullptr;  // "Searches kept per &folder"
    CSpinEdit* m_wndSpaceSpin = nullptr;  // "&Space for kept searches (MiB)"

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
};
