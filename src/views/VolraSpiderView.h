#pragma once
#include "SpiderLayout.h"
#include "framework/View.h"

#include <QColor>
#include <string_view>

class CDC;
class CVolraDoc;

// The spider: the current directory's subtree as a radial figure of straight lines
// (CSpiderLayout has the rules) with a notice in the top-left corner that the mode is not
// finished. It has no interaction, and no menu, key or button shows it; only a snapshot
// draws it.
class CVolraSpiderView : public CView {
    Q_OBJECT
public:
    static constexpr std::string_view kNotice = "Spider mode not yet finished";
    static constexpr int kNoticeAt = 10;  // the notice's top-left corner, both coordinates

    explicit CVolraSpiderView(QWidget* pParent = nullptr);
    ~CVolraSpiderView() override;

    // Paints the clip box of the surface: the figure over the palette's Base, then the
    // notice, both in its Text.
    void OnDraw(CDC* pDC);
    // The figure of the last paint.
    const CSpiderLayout& GetLayout() const { return m_layout; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    CVolraDoc* GetVolraDoc() const;

    CSpiderLayout m_layout;  // refers to no entry once built
};
