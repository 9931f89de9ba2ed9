#pragma once
#include "CmdTarget.h"
#include "base/Types.h"

#include <QWidget>

class CDocument;

// A window that shows a document. Commands a view does not handle go on to its document.
class CView : public QWidget, public CCmdTarget {
    Q_OBJECT
public:
    explicit CView(QWidget* pParent = nullptr);
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    // Called once after the view is attached to its document and before it is first shown;
    // by default an update with hint 0 (redraw).
    virtual void OnInitialUpdate();
    // The document changed; lHint says how. By default the whole view is repainted.
    virtual void OnUpdate(CView* pSender, LPARAM lHint, QObject* pHint);
    // The document let go of this view (a mode switch, the window closing): the view
    // hears of no change from now on, so it drops every pointer into the document it keeps.
    virtual void OnDetachFromDocument() {}

    BOOL OnCmdMsg(UINT nID, CCmdUI* pCmdUI) override;

    static const CCmdMap& ClassCmdMap();

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }

private:
    friend class CDocument;
    CDocument* m_pDocument = nullptr;  // not owned; set by CDocument::AddView
};
