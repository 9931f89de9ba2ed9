#pragma once
#include "framework/CmdTarget.h"
#include "framework/CmdUI.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QToolTip>

#include <string>

// What the views' tests read back and send as the user does, shared so that every view is
// read the same way.

// The widget as painted (or a part of it), in one pixel format so that grabs compare.
inline QImage GrabImage(QWidget& widget, QRect part = QRect(0, 0, -1, -1))
{
    return widget.grab(part).toImage().convertToFormat(QImage::Format_RGB32);
}

// A click with Ctrl held: the press and its release.
inline void CtrlClick(QWidget* pWidget, QPoint pt)
{
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        QMouseEvent event(type, QPointF(pt), QPointF(pWidget->mapToGlobal(pt)), Qt::LeftButton, buttons,
                          Qt::ControlModifier);
        QApplication::sendEvent(pWidget, &event);
    }
}

// A click on a column's heading, near its left end.
inline void ClickHeading(QHeaderView* pHeader, int nColumn)
{
    const int x = pHeader->sectionViewportPosition(nColumn) + 5;
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {}, QPoint(x, pHeader->height() / 2));
}

// The tip a pause of the pointer over the item brings, "" for none.
inline std::string TipAt(QAbstractItemView* pView, const QModelIndex& index)
{
    QToolTip::hideText();
    const QPoint pt = pView->visualRect(index).center();
    QHelpEvent event(QEvent::ToolTip, pt, pView->viewport()->mapToGlobal(pt));
    QApplication::sendEvent(pView->viewport(), &event);
    return QToolTip::text().toStdString();
}

// A command's state as its menu item would show it, through the route's handlers.
struct CommandState {
    bool bEnabled;
    int nCheck;
};
inline CommandState StateOf(CCmdTarget& route, UINT nID)
{
    CCmdUI ui(nID);
    const bool bEnabled = UpdateCommandUI(route, ui) != FALSE;
    return {bEnabled, ui.m_nCheck};
}
