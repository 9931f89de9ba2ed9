#pragma once
#include "framework/View.h"

// A view that shows nothing but the window background: the pane of a view that this
// version does not have yet (the pie mode). It follows the document like any view, so
// the frame's switching and routing are the real ones.
class CPlaceholderView : public CView {
    Q_OBJECT
public:
    explicit CPlaceholderView(QWidget* pParent = nullptr);
    int m_nUpdates = 0;  // updates received, so the frame's rules can be checked
    void OnUpdate(CView* pSender, LPARAM lHint, QObject* pHint) override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
};
