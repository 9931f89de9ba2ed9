#pragma once
#include "PieChart.h"
#include "framework/View.h"

#include <QColor>

#include <vector>

class CDC;
class CEntry;
class CVolraDoc;

// The pie view: the current directory's children as slices of a pie (CPieChart has the
// geometry), sorted by name, each as large as its share of the directory. A click
// highlights a slice and selects its entry; a double-click opens a directory slice, or goes
// up to the parent when no slice is highlighted; a right click highlights and opens the
// document's context menu; hovering reports the entry under the pointer to the status bar.
//
// Every update from the document rebuilds the slices from the current directory, so no
// entry pointer survives a change of the tree. Paints reuse the layout until the slices or
// the client size change.
//
// Marked slices, and more lightly all of them inside a marked directory, are painted over
// as CMarkLook says; Ctrl+click highlights the slice under the pointer and toggles its mark.
class CVolraPieView : public CView {
    Q_OBJECT
public:
    explicit CVolraPieView(QWidget* pParent = nullptr);
    ~CVolraPieView() override;

    void OnUpdate(CView* pSender, LPARAM lHint, QObject* pHint) override;
    // Paints the clip box of the surface: the chart over the palette's Base, with texts and
    // leaders outside the label boxes in its Text; the highlighted slice and its label
    // drawn again on top.
    void OnDraw(CDC* pDC);
    // The entry of the slice under a client point (a label or the disc), or null.
    CEntry* EntryAt(QPoint pt) const;

    const CPieChart& GetChart() const { return m_chart; }
    // The entry of each slice, in slice order.
    const std::vector<CEntry*>& GetEntries() const { return m_entries; }
    // The highlighted slice's index, -1 for none.
    int GetHighlight() const { return m_nHighlight; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    CVolraDoc* GetVolraDoc() const;
    CEntry* EntryOf(int nSlice) const;
    // Highlights the slice under the point and makes its entry the selection (both none
    // when the point is on no slice); returns that entry.
    CEntry* SelectAt(QPoint pt);
    // The marks' tints and frames over the slices already drawn.
    void DrawMarks(CDC& dc, const CVolraDoc& doc) const;

    CPieChart m_chart;
    std::vector<CEntry*> m_entries;  // not owned: the current directory's children, by slice
    int m_nHighlight = -1;
};
