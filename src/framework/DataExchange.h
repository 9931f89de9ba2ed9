#pragma once
#include "base/Types.h"

#include <string>

class QAbstractButton;
class QLineEdit;
class QWidget;

// One exchange between a dialog's controls and its members: filling the controls
// (m_bSaveAndValidate FALSE) or reading them back with validation (TRUE). The first control
// that fails says why in a message box, takes the focus and ends the exchange: the DDX_
// calls after it do nothing, and the dialog stays as it is.
class CDataExchange {
public:
    CDataExchange(QWidget* pDlgWnd, BOOL bSaveAndValidate);

    // The message box over the dialog, then the focus to the control with its text selected.
    void Fail(QWidget* pControl, const char* pszMessage);
    bool HasFailed() const { return m_bFailed; }

    BOOL m_bSaveAndValidate;
    QWidget* m_pDlgWnd;  // not owned

private:
    bool m_bFailed = false;
};

// An integer in an edit: written as decimal digits; read back as an optional sign and
// digits, spaces around allowed, within the range of int. Anything else fails with
// "Please enter an integer." and leaves value unchanged.
void DDX_Text(CDataExchange* pDX, QLineEdit* pEdit, int& value);
// A check box: checked exactly when value is non-zero; read back as 1 or 0.
void DDX_Check(CDataExchange* pDX, QAbstractButton* pButton, int& value);
// Text in an edit, exchanged as it stands (UTF-8 in the string).
void DDX_Text(CDataExchange* pDX, QLineEdit* pEdit, std::string& value);
// After an integer's DDX_Text: a value outside [nMin, nMax] fails with "Please enter an
// integer between nMin and nMax." Filling the controls checks nothing.
void DDV_MinMaxInt(CDataExchange* pDX, QLineEdit* pEdit, int value, int nMin, int nMax);
