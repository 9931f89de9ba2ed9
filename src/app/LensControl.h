#pragma once
#include "framework/CmdTarget.h"
#include "views/ColourBy.h"

#include <QPointer>

class CCmdUI;
class CMainFrame;
class CVolraDoc;
class CVolraTypesView;
class QDockWidget;

// The lenses' commands in the main window: View > Colour by (a preference of the whole
// program, so every open search repaints) and, beside it, the File types panel. The main
// window asks it after the active search window and before itself.
class CLensControl : public CCmdTarget {
public:
    // Hangs the three colourings under "Colour by" in the frame's menus and docks the File
    // types panel, hidden, on the frame's right.
    explicit CLensControl(CMainFrame& frame);
    ~CLensControl() override;

    // The panel follows the active search window's document (null: none) while it is shown.
    void SetActiveDocument(CVolraDoc* pDoc);
    QDockWidget* GetTypesDock() const { return m_pDock; }
    CVolraTypesView* GetTypesView() const { return m_pTypes; }

    void OnColourByDepth() { SetColourBy(EColourBy::Depth); }
    void OnColourByType() { SetColourBy(EColourBy::Type); }
    void OnColourByAge() { SetColourBy(EColourBy::Age); }
    void OnUpdateColourBy(CCmdUI* pCmdUI);
    // "Colour by" itself only opens its submenu.
    void OnColourByMenu() {}
    void OnUpdateColourByMenu(CCmdUI* pCmdUI);
    void OnViewFileTypes();
    void OnUpdateViewFileTypes(CCmdUI* pCmdUI);

    static const CCmdMap& ClassCmdMap();

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }

private:
    void SetColourBy(EColourBy colourBy);
    void Follow();

    CMainFrame& m_frame;  // not owned: the frame owns this
    QDockWidget* m_pDock;  // owned by the frame, as its child
    CVolraTypesView* m_pTypes;  // owned by the dock
    bool m_bSized = false;  // given its starting width once
    QPointer<CVolraDoc> m_pActiveDoc;  // not owned: the active search window's
};
