#pragma once
#include "Rect.h"

#include <QColor>
#include <QFont>
#include <QLine>
#include <QPoint>
#include <QSize>
#include <QString>

#include <span>
#include <utility>

class QPainter;

// The drawing surface the self-painting views draw on: the few calls they use, with the
// geometry they rely on, carried out by a QPainter (which the caller owns and which must
// outlive this object). Rectangles exclude their right and bottom edges. The surface keeps a
// current pen, brush and font; Select* puts a new one in and returns the one it replaced,
// so a caller can put that back. A fresh surface has a 1-pixel solid black pen, a white
// brush, the painter's font across, black text on an opaque white background.
//
// Rasterisation is Qt's and not antialiased, so that fills and frames land on whole pixels.
class CDC {
public:
    // A solid pen, or the null pen that draws no outline. Widths below 1 draw 1 pixel wide.
    struct Pen {
        QColor colour{0, 0, 0};
        int nWidth = 1;
        bool bNull = false;
    };
    // A solid brush, or the hollow brush that leaves interiors untouched, or a pattern of
    // lines in the colour over what is beneath.
    struct Brush {
        QColor colour{255, 255, 255};
        bool bHollow = false;
        Qt::BrushStyle style = Qt::SolidPattern;
    };
    // A font and its escapement in tenths of a degree: 0 writes across, -900 writes from
    // top to bottom with the tops of the glyphs facing right. Other angles are not used.
    struct Font {
        QFont font;
        int nEscapement = 0;
    };
    enum class BkMode { Transparent, Opaque };

    static constexpr int kEscapementDown = -900;

    static Pen NullPen() { return {{}, 1, true}; }
    static Brush SolidBrush(QColor colour) { return {colour, false}; }
    static Brush HollowBrush() { return {{}, true}; }
    static Brush HatchBrush(QColor colour, Qt::BrushStyle style) { return {colour, false, style}; }
    // The stock gray brush, (128, 128, 128).
    static Brush GrayBrush() { return {QColor(128, 128, 128), false}; }

    // rcClip: the client-coordinate part that needs repainting.
    CDC(QPainter& painter, const CRect& rcClip);
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    ~CDC();

    CRect GetClipBox() const { return m_rcClip; }

    // One colour over the rectangle, no outline.
    void FillSolidRect(const CRect& rc, QColor colour);
    // Thin diagonal lines of one colour over the rectangle, what lies under them showing
    // between them.
    void HatchRect(const CRect& rc, QColor colour);
    // Interior with the current brush, then the outline with the current pen. The outline of
    // a 1-pixel pen is the rectangle's outermost ring of pixels; a wider pen is centred on
    // that ring, its extra pixel of an even width falling inside.
    void Rectangle(const CRect& rc);
    // The ellipse inscribed in the rectangle, outlined and filled as Rectangle.
    void Ellipse(const CRect& rc);
    // The wedge of the inscribed ellipse from the ray through ptStart counter-clockwise (on
    // screen) to the ray through ptEnd; equal rays give the whole ellipse.
    void Pie(const CRect& rc, QPoint ptStart, QPoint ptEnd);
    // The outline of the same wedge's curved edge alone, with the current pen.
    void Arc(const CRect& rc, QPoint ptStart, QPoint ptEnd);
    // The straight edges Pie outlines for a ray through each point, with the current pen:
    // from the ellipse's centre to where the ray meets it. Wedges filled under the null
    // pen and outlined by this and Arc look as though each had been drawn with its outline.
    void PieRays(const CRect& rc, std::span<const QPoint> points);
    // Moves the current position; returns the previous one.
    QPoint MoveTo(int x, int y);
    // A line with the current pen from the current position up to, not including, (x, y),
    // which becomes the current position.
    void LineTo(int x, int y);
    // Each line as MoveTo its start and LineTo its end, in one call: for figures of many
    // thousands of lines. The current position ends at the last line's end.
    void DrawLines(std::span<const QLine> lines);

    Pen SelectPen(const Pen& pen);
    Brush SelectBrush(const Brush& brush);
    Font SelectFont(const Font& font);
    BkMode SetBkMode(BkMode mode);
    QColor SetBkColor(QColor colour);
    QColor SetTextColor(QColor colour);
    QColor GetTextColor() const { return m_textColour; }

    // Width and height of the text in the current font; the same for a rotated font.
    QSize GetTextExtent(const QString& text) const;
    // Writes text whose box has its top-left corner at (x, y), or for a top-to-bottom font
    // its top-right corner: the text then occupies the columns x - height to x - 1 and the
    // rows y to y + width - 1.
    void TextOut(int x, int y, const QString& text);

private:
    void ApplyPenAndBrush();
    void FillRing(const CRect& outer, int nThickness, QColor colour);
    QRect InscribedRect(const CRect& rc) const;
    // The painter's angle (1/16 degree) of the ray through the point, and the start angle
    // and span of the wedge between two rays.
    static int RayAngle(const CRect& rc, QPoint pt);
    static std::pair<int, int> WedgeAngles(const CRect& rc, QPoint ptStart, QPoint ptEnd);

    QPainter& m_painter;
    CRect m_rcClip;
    Pen m_pen;
    Brush m_brush;
    Font m_font;
    BkMode m_bkMode = BkMode::Opaque;
    QColor m_bkColour{255, 255, 255};
    QColor m_textColour{0, 0, 0};
    QPoint m_ptCurrent;
};
