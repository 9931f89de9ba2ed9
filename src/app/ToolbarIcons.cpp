#include "ToolbarIcons.h"

#include "AppCommands.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <initializer_list>
#include <map>
#include <numbers>

namespace {

// One small palette for every picture, so that the toolbar reads as one set.
const QColor kOutline(0x2b, 0x33, 0x3d);
const QColor kBlue(0x3a, 0x7b, 0xd5);
const QColor kPaleBlue(0xb4, 0xd4, 0xf7);
const QColor kGreen(0x3c, 0xa8, 0x48);
const QColor kRed(0xe4, 0x5a, 0x2a);
const QColor kYellow(0xf7, 0xc8, 0x46);
const QColor kDarkYellow(0xdc, 0xa1, 0x26);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kGrey(0xc9, 0xcf, 0xd6);
const QColor kInk(0x6b, 0x75, 0x80);  // the "text" on pages and in lists

// Everything is drawn on a 16-unit grid scaled to the pixmap. Outlines are one pixel wide at
// 16 and two at 32 and lie on half units, so both sizes land on whole pixels.
struct Pen {
    QPainter& p;
    double line;  // the outline width in grid units
};

QPainterPath Polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    for (const QPointF& pt : points) {
        if (path.elementCount() == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

void Shape(Pen& pen, const QPainterPath& path, const QColor& fill, const QColor& outline = kOutline)
{
    pen.p.setPen(QPen(outline, pen.line, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    pen.p.setBrush(fill);
    pen.p.drawPath(path);
}

void Box(Pen& pen, const QRectF& rect, const QColor& fill)
{
    QPainterPath path;
    path.addRect(rect);
    Shape(pen, path, fill);
}

// A plain fill without outline, for text bars, lights and glyphs.
void Solid(Pen& pen, const QRectF& rect, const QColor& fill)
{
    pen.p.fillRect(rect, fill);
}

QPointF Polar(QPointF centre, double degrees, double radius)
{
    const double a = degrees * std::numbers::pi / 180.0;
    return centre + QPointF(radius * std::cos(a), -radius * std::sin(a));
}

// A folder whose back panel, tab included, starts at top; the front panel is three units
// lower, so the darker back shows above it.
void Folder(Pen& pen, double left, double top, double right, double bottom)
{
    Shape(pen,
          Polygon({{left, top}, {left + 5, top}, {left + 6, top + 1}, {right, top + 1}, {right, bottom},
                   {left, bottom}}),
          kDarkYellow);
    Box(pen, QRectF(QPointF(left, top + 3), QPointF(right, bottom)), kYellow);
}

// A straight arrow with a 45-degree head, pointing down (into) or up (out of) something.
void VerticalArrow(Pen& pen, double centreX, double tail, double tip, const QColor& fill)
{
    const double dir = tip > tail ? 1.0 : -1.0;
    const double headBase = tip - dir * 5;
    Shape(pen,
          Polygon({{centreX - 2, tail}, {centreX + 2, tail}, {centreX + 2, headBase}, {centreX + 5, headBase},
                   {centreX, tip}, {centreX - 5, headBase}, {centreX - 2, headBase}}),
          fill);
}

// A white page with a folded corner and lines of text; r lies on half units.
void Page(Pen& pen, const QRectF& r)
{
    const double fold = 3;
    Shape(pen,
          Polygon({r.topLeft(), {r.right() - fold, r.top()}, {r.right(), r.top() + fold}, r.bottomRight(),
                   r.bottomLeft()}),
          kPaper);
    const QPointF corner(r.right() - fold, r.top() + fold);
    Shape(pen, Polygon({{corner.x(), r.top()}, corner, {r.right(), corner.y()}}), kGrey);
    const double left = r.left() + 1.5;
    for (double y = r.top() + fold + 1.5; y + 2 < r.bottom(); y += 2)
        Solid(pen, QRectF(left, y, r.right() - 1.5 - left - (y > r.center().y() ? 2 : 0), 1), kInk);
}

// ---- the pictures --------------------------------------------------------------------

void DrawNewSearch(Pen& pen)
{
    QPainterPath drive;
    drive.addRoundedRect(QRectF(0.5, 8.5, 10, 6), 1.5, 1.5);
    Shape(pen, drive, kGrey);
    Solid(pen, QRectF(2, 12, 4, 1), kInk);     // the label slot
    Solid(pen, QRectF(7, 11, 2, 2), kGreen);   // the activity light
    pen.p.setPen(QPen(kOutline, 2.5, Qt::SolidLine, Qt::RoundCap));
    pen.p.drawLine(QPointF(13.3, 8.8), QPointF(14.8, 10.3));  // the handle
    QPainterPath lens;
    lens.addEllipse(QPointF(10, 5), 4.5, 4.5);
    QColor glass = kPaleBlue;
    glass.setAlpha(200);
    Shape(pen, lens, glass);
}

void DrawRefresh(Pen& pen)
{
    // A ring turning clockwise from three o'clock round to twelve, where the head points
    // right into the open quarter: flat ends and a vertical head base stay crisp at 16.
    const QPointF c(7.5, 8.5);
    const double outer = 6.5, inner = 3.5, mid = (outer + inner) / 2;
    const QRectF outerRect(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer);
    const QRectF innerRect(c.x() - inner, c.y() - inner, 2 * inner, 2 * inner);
    QPainterPath arrow;
    arrow.arcMoveTo(outerRect, 0);
    arrow.arcTo(outerRect, 0, -270);
    arrow.lineTo(c.x(), c.y() - outer - 1.5);
    arrow.lineTo(c.x() + 5, c.y() - mid);
    arrow.lineTo(c.x(), c.y() - inner + 1.5);
    arrow.lineTo(c.x(), c.y() - inner);
    arrow.arcTo(innerRect, 90, 270);
    arrow.closeSubpath();
    Shape(pen, arrow, kGreen);
}

void DrawTree(Pen& pen)
{
    pen.p.setPen(QPen(kOutline, pen.line));
    pen.p.drawLine(QPointF(3.5, 4.5), QPointF(3.5, 12.5));
    pen.p.drawLine(QPointF(3.5, 6.5), QPointF(6.5, 6.5));
    pen.p.drawLine(QPointF(3.5, 12.5), QPointF(6.5, 12.5));
    Box(pen, QRectF(QPointF(0.5, 0.5), QPointF(7.5, 4.5)), kYellow);
    Box(pen, QRectF(QPointF(6.5, 4.5), QPointF(15.5, 8.5)), kBlue);
    Box(pen, QRectF(QPointF(6.5, 10.5), QPointF(15.5, 14.5)), kGreen);
}

void DrawBlocks(Pen& pen)
{
    Box(pen, QRectF(QPointF(0.5, 1.5), QPointF(8.5, 14.5)), kBlue);
    Box(pen, QRectF(QPointF(8.5, 1.5), QPointF(15.5, 8.5)), kGreen);
    Box(pen, QRectF(QPointF(8.5, 8.5), QPointF(12.5, 14.5)), kRed);
    Box(pen, QRectF(QPointF(12.5, 8.5), QPointF(15.5, 14.5)), kYellow);
}

void DrawList(Pen& pen)
{
    const QColor marks[] = {kYellow, kBlue, kGreen};
    const double lengths[] = {9, 7, 8};
    for (int row = 0; row < 3; ++row) {
        const double top = 1.5 + 5 * row;
        Box(pen, QRectF(QPointF(0.5, top), QPointF(4.5, top + 3)), marks[row]);
        Solid(pen, QRectF(6, top + 0.5, lengths[row], 2), kOutline);
    }
}

void DrawPie(Pen& pen)
{
    const QPointF c(7, 9);
    const double r = 6.5;
    const QRectF disc(c.x() - r, c.y() - r, 2 * r, 2 * r);
    struct Slice { double start, sweep; QColor colour; };
    const Slice slices[] = {{100, 160, kBlue}, {260, 125, kGreen}, {25, 75, kRed}};
    for (const Slice& s : slices) {
        QPainterPath path;
        path.moveTo(c);
        path.arcTo(disc, s.start, s.sweep);
        path.closeSubpath();
        if (&s == &slices[2])
            path.translate(Polar({}, s.start + s.sweep / 2, 2.2));  // the slice cut out
        Shape(pen, path, s.colour);
    }
}

void DrawViewDirectory(Pen& pen)
{
    Folder(pen, 0.5, 5.5, 15.5, 15.5);
    VerticalArrow(pen, 8, 0.5, 12.5, kBlue);
}

void DrawOpenParent(Pen& pen)
{
    Folder(pen, 0.5, 5.5, 15.5, 15.5);
    VerticalArrow(pen, 8, 13.5, 0.5, kGreen);
}

void DrawAllFiles(Pen& pen)
{
    Box(pen, QRectF(QPointF(6.5, 0.5), QPointF(15.5, 11.5)), kPaleBlue);
    Box(pen, QRectF(QPointF(3.5, 2.5), QPointF(12.5, 13.5)), kPaper);
    Page(pen, QRectF(QPointF(0.5, 4.5), QPointF(9.5, 15.5)));
}

void DrawOpenRun(Pen& pen)
{
    Box(pen, QRectF(QPointF(0.5, 3.5), QPointF(12.5, 15.5)), kPaper);
    Box(pen, QRectF(QPointF(0.5, 3.5), QPointF(12.5, 6.5)), kBlue);  // the title bar
    // An arrow leaving the window towards the top right corner.
    const QPointF tip(15.5, 0.5), end(5, 11);
    const QPointF mid(12, 4), side(1.1, 1.1);
    Shape(pen,
          Polygon({tip, {15.5, 8}, mid + side, end + side, end - side, mid - side, {8, 0.5}}),
          kGreen);
}

void DrawDelete(Pen& pen)
{
    Shape(pen, Polygon({{2.5, 4.5}, {13.5, 4.5}, {12.5, 15.5}, {3.5, 15.5}}), kGrey);
    pen.p.setPen(QPen(kInk, pen.line));
    for (double x : {6.5, 9.5})
        pen.p.drawLine(QPointF(x, 7.5), QPointF(x, 12.5));
    Box(pen, QRectF(QPointF(5.5, 0.5), QPointF(10.5, 2.5)), Qt::transparent);  // the handle
    Box(pen, QRectF(QPointF(1.5, 2.5), QPointF(14.5, 4.5)), kRed);             // the lid
}

void Badge(Pen& pen, const QColor& fill)
{
    QPainterPath disc;
    disc.addEllipse(QPointF(8, 8), 7.5, 7.5);
    Shape(pen, disc, fill, fill.darker(150));
}

void DrawAbout(Pen& pen)
{
    Badge(pen, kBlue);
    Solid(pen, QRectF(7, 3, 2, 2), kPaper);   // the dot
    Solid(pen, QRectF(6, 6, 3, 1), kPaper);   // the stem with its serifs
    Solid(pen, QRectF(7, 7, 2, 5), kPaper);
    Solid(pen, QRectF(6, 12, 4, 1), kPaper);
}

void DrawHelp(Pen& pen)
{
    Badge(pen, kGreen);
    QPainterPath hook;
    const QRectF bow(5.5, 3.5, 5, 5);
    hook.arcMoveTo(bow, 160);
    hook.arcTo(bow, 160, -220);
    hook.lineTo(8, 9.5);
    hook.lineTo(8, 10.5);
    pen.p.setPen(QPen(kPaper, 2, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    pen.p.setBrush(Qt::NoBrush);
    pen.p.drawPath(hook);
    Solid(pen, QRectF(7, 11.5, 2, 2), kPaper);
}

using Drawing = void (*)(Pen&);

QIcon Render(Drawing draw)
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        Pen pen{painter, 1.0};  // one pixel at 16, two at 32
        draw(pen);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

std::map<UINT, QIcon> BuildIcons()
{
    const std::pair<UINT, Drawing> drawings[] = {
        {ID_FILE_NEW, DrawNewSearch},
        {ID_REFRESH, DrawRefresh},
        {ID_VIEW_TREE, DrawTree},
        {ID_MODE_BLOCK, DrawBlocks},
        {ID_MODE_LIST, DrawList},
        {ID_MODE_PIE, DrawPie},
        {ID_VIEW_DIRECTORY, DrawViewDirectory},
        {ID_OPEN_PARENT, DrawOpenParent},
        {ID_SHOW_ALL_FILES, DrawAllFiles},
        {ID_OPEN_RUN, DrawOpenRun},
        {ID_DELETE, DrawDelete},
        {ID_APP_ABOUT, DrawAbout},
        {ID_HELP_CONTENTS, DrawHelp},
    };
    std::map<UINT, QIcon> icons;
    for (const auto& [id, draw] : drawings)
        icons.emplace(id, Render(draw));
    return icons;
}

}  // namespace

QIcon ToolbarIcon(UINT id)
{
    // Kept for the life of the process: pixmaps must not outlive the application object,
    // which a destructor run at exit would make them do.
    static const auto* const icons = new std::map<UINT, QIcon>(BuildIcons());
    const auto it = icons->find(id);
    return it == icons->end() ? QIcon() : it->second;
}
