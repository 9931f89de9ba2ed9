#pragma once
#include <QTimer>
#include <QWidget>

// The little "searching" picture of the progress dialog: a magnifying glass sweeping to
// and fro over a row of folders, the folder under the glass opened with a sheet showing.
// The timer only fires while events are dispatched, so the picture moves exactly as long
// as the walk keeps the window responsive, and it runs only while the widget is shown.
class CSearchAnimation : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSceneWidth = 80;
    static constexpr int kSceneHeight = 48;
    static constexpr int kFrameCount = 14;  // 8 glass positions, there and back
    static constexpr int kFrameIntervalMs = 160;  // about 6 frames a second

    explicit CSearchAnimation(QWidget* pParent = nullptr);

    int Frame() const { return m_nFrame; }
    void SetFrame(int nFrame);
    // Steps to the next frame and repaints; the timer calls this.
    void Advance();

    QSize sizeHint() const override { return {kSceneWidth, kSceneHeight}; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;

private:
    // Where the glass stands in a frame: 0 .. kPositions-1, forwards then back.
    int GlassPosition() const;
    void DrawFolder(QPainter& painter, int nIndex, bool bOpen) const;
    void DrawGlass(QPainter& painter) const;

    QTimer m_timer;
    int m_nFrame = 0;
};
