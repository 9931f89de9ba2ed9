#pragma once
#include <QToolBar>

#include <array>

// The main window's toolbar. It draws itself what the styles draw differently or not at all:
// etched lines between the button groups, and a gripper of two raised bars at the leading
// edge while docked; none while floating, where the bar is a window of its own and the
// empty strip is left as the place to drag it back by. Qt already does the rest: flat
// buttons, checked ones (the tree panel and the modes, checked by their update handlers)
// drawn pressed in, docking on any side, room for the gripper, and repainting what the bar
// uncovers when it moves.
class CFlatToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CFlatToolBar(const QString& strTitle, QWidget* pParent = nullptr);

    // The gripper's two bars, each 3 pixels thick and 4 apart, inside the handle area less
    // a pixel on every side: side by side on a horizontal bar, one above the other on a
    // vertical one.
    static std::array<QRect, 2> GripperBars(const QRect& rcHandle, Qt::Orientation orientation);
    // The etched line, 2 pixels thick, across the middle of a separator's area: upright on a
    // horizontal bar, lying on a vertical one.
    static QRect SeparatorLine(const QRect& rcItem, Qt::Orientation orientation);
    // The strip at the leading edge the bar is dragged by, docked or floating; the gripper
    // is drawn in it while docked.
    QRect GetHandleRect() const;

protected:
    void actionEvent(QActionEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void PaintSeparator(QWidget* pSeparator) const;
};
