#include "FlatToolBar.h"

#include <QActionEvent>
#include <QPainter>
#include <QStyleOptionToolBar>

namespace {

constexpr int kGripThickness = 3;
constexpr int kGripPitch = 4;
constexpr int kLineThickness = 2;

// A rectangle's outline in two colours, as a raised or sunken edge is drawn: one for the
// top and left sides, the other for the bottom and right.
void Draw3dRect(QPainter& painter, const QRect& rc, const QColor& topLeft, const QColor& bottomRight)
{
    painter.fillRect(QRect(rc.left(), rc.top(), rc.width() - 1, 1), topLeft);
    painter.fillRect(QRect(rc.left(), rc.top(), 1, rc.height() - 1), topLeft);
    painter.fillRect(QRect(rc.right(), rc.top(), 1, rc.height()), bottomRight);
    painter.fillRect(QRect(rc.left(), rc.bottom(), rc.width(), 1), bottomRight);
}

}  // namespace

CFlatToolBar::CFlatToolBar(const QString& strTitle, QWidget* pParent) : QToolBar(strTitle, pParent)
{
    setAllowedAreas(Qt::AllToolBarAreas);
    setMovable(true);
}

std::array<QRect, 2> CFlatToolBar::GripperBars(const QRect& rcHandle, Qt::Orientation orientation)
{
    const QRect rc = rcHandle.adjusted(1, 1, -1, -1);
    if (orientation == Qt::Horizontal) {
        const QRect first(rc.left(), rc.top(), kGripThickness, rc.height());
        return {first, first.translated(kGripPitch, 0)};
    }
    const QRect first(rc.left(), rc.top(), rc.width(), kGripThickness);
    return {first, first.translated(0, kGripPitch)};
}

QRect CFlatToolBar::SeparatorLine(const QRect& rcItem, Qt::Orientation orientation)
{
    if (orientation == Qt::Horizontal) {
        const int x = rcItem.left() + rcItem.width() / 2;
        return QRect(x - 1, rcItem.top(), kLineThickness, rcItem.height());
    }
    const int y = rcItem.top() + rcItem.height() / 2;
    return QRect(rcItem.left(), y - 1, rcItem.width(), kLineThickness);
}

QRect CFlatToolBar::GetHandleRect() const
{
    QStyleOptionToolBar option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_ToolBarHandle, &option, this);
}

void CFlatToolBar::actionEvent(QActionEvent* pEvent)
{
    QToolBar::actionEvent(pEvent);
    // A separator is a widget of Qt's making, drawn by the style; its paint is taken over
    // here, so the line is the same etched one in every style.
    if (pEvent->type() == QEvent::ActionAdded && pEvent->action()->isSeparator()) {
        if (QWidget* pSeparator = widgetForAction(pEvent->action()))
            pSeparator->installEventFilter(this);
    }
}

bool CFlatToolBar::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::Paint && pWatched->isWidgetType()) {
        PaintSeparator(static_cast<QWidget*>(pWatched));
        return true;
    }
    return QToolBar::eventFilter(pWatched, pEvent);
}

void CFlatToolBar::PaintSeparator(QWidget* pSeparator) const
{
    QPainter painter(pSeparator);
    const QPalette& pal = palette();
    Draw3dRect(painter, SeparatorLine(pSeparator->rect(), orientation()), pal.color(QPalette::Dark),
               pal.color(QPalette::Light));
}

void CFlatToolBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionToolBar option;
    initStyleOption(&option);
    if (isWindow()) {
        painter.fillRect(option.rect, palette().window());
        style()->drawControl(QStyle::CE_ToolBar, &option, &painter, this);
        style()->drawPrimitive(QStyle::PE_FrameMenu, &option, &painter, this);
        return;  // floating: no gripper
    }
    style()->drawControl(QStyle::CE_ToolBar, &option, &painter, this);
    const QRect rcHandle = GetHandleRect();
    if (!rcHandle.isValid())
        return;
    const QPalette& pal = palette();
    for (const QRect& rcBar : GripperBars(rcHandle, orientation()))
        Draw3dRect(painter, rcBar, pal.color(QPalette::Light), pal.color(QPalette::Dark));
}
