#pragma once
#include "base/Types.h"

#include <QWidget>

class CDataExchange;

// One page of a property sheet (CPropertySheet), shown under a tab with its caption. Its
// controls are made with it; its members reach them through DoDataExchange. The page is
// initialised (OnInitDialog, which fills the controls) the first time it is shown, so a page
// that is never shown keeps the values its constructor gave it. Leaving the page reads the
// controls back (OnKillActive): a value that does not validate keeps the page shown.
class CPropertyPage : public QWidget {
    Q_OBJECT
public:
    explicit CPropertyPage(const QString& strCaption, QWidget* pParent = nullptr);

    QString GetCaption() const { return m_strCaption; }

    // Controls to members (TRUE, with validation) or members to controls (FALSE); FALSE when
    // a control failed to validate, which has then said why.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // The page is about to show: initialised on its first showing. TRUE to show it.
    virtual BOOL OnSetActive();
    // The page is about to be left, for another page or by OK: its controls are read back.
    // FALSE keeps it shown.
    virtual BOOL OnKillActive();

protected:
    // Fills the controls from the members; TRUE.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);

private:
    QString m_strCaption;
    bool m_bInitialised = false;
};
