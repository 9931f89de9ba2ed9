#pragma once
#include "framework/PropertyPage.h"

#include <string>

class CSpinEdit;
class QComboBox;

// The "Block Mode" page of the Preferences: the label font's face and size, and the border.
// The numbers are taken as typed, however far outside the arrows' ranges (font size 6 to
// 64, border 1 to 64); an empty one is refused. The face changes only when the user picks
// another family from the list: a stored face that no family matches stays as it is, and
// the list shows the family the labels are drawn in instead.
class CPrefsBlock : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPrefsBlock(QWidget* pParent = nullptr);

    // Selects the first item whose text begins with strFace, case aside, searching from the
    // second item to the last and then the first; no selection when none does.
    static void SelectFace(QComboBox* pList, const std::string& strFace);

    CSpinEdit* m_wndBorderSpin = nullptr;  // "&Border"
    CSpinEdit* m_wndFontSizeSpin = nullptr;  // "Font &size"
    QComboBox* m_wndFontList = nullptr;  // "Label &font": every font family, sorted
    int m_nFontSize = 0;
    int m_nBorder = 0;
    std::string m_strFontFace;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

private:
    void CreateControls();
};
