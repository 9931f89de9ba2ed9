#pragma once
#include "framework/PropertyPage.h"

class QCheckBox;

// The "Tree mode" page of the Preferences: whether the tree panel shows each directory's
// size. The flag is taken from the preferences when the page is shown (it is the first
// page, so always before OK).
class CPrefsTree : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPrefsTree(QWidget* pParent = nullptr);

    int m_bShowSizes = 0;
    int m_bShowCounts = 0;
    QCheckBox* m_wndShowSizes = nullptr;  // "&Show directory size"
    QCheckBox* m_wndShowCounts = nullptr;  // "Show &counts instead of sizes"

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
};
