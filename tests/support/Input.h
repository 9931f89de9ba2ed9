#pragma once
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <functional>
#include <string>

// A left-button event at pt, as a mouse makes it: the button is down in a press and a
// double-click, and no button is down in a move or a release.
inline void SendMouse(QWidget* pWidget, QEvent::Type type, QPoint pt)
{
    const bool bDown = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    QMouseEvent event(type, QPointF(pt), QPointF(pWidget->mapToGlobal(pt)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, bDown ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(pWidget, &event);
}

// A click; a double-click is a click, then the double-click event and its release.
inline void ClickAt(QWidget* pWidget, QPoint pt, bool bDouble = false)
{
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonDblClick}) {
        SendMouse(pWidget, type, pt);
        SendMouse(pWidget, QEvent::MouseButtonRelease, pt);
        if (!bDouble)
            break;
    }
}

// A context menu read from inside its own loop, then closed: its first line ("" when no
// menu opened) and where it opened.
struct OpenedMenu {
    std::string firstLine;
    QPoint pos;
};

inline OpenedMenu MenuFrom(const std::function<void()>& request)
{
    OpenedMenu seen;
    QObject scope;  // a timer that found no menu goes with it
    QTimer::singleShot(0, &scope, [&seen] {
        if (auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            seen = {pMenu->actions().value(0)->text().toStdString(), pMenu->pos()};
            pMenu->close();
        }
    });
    request();
    QCoreApplication::processEvents();
    return seen;
}

inline OpenedMenu ContextMenuAt(QWidget* pWidget, QPoint pt,
                                QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse)
{
    return MenuFrom([&] {
        QContextMenuEvent event(reason, pt, pWidget->mapToGlobal(pt));
        QApplication::sendEvent(pWidget, &event);
    });
}
