#include "SearchAnimation.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr int kPositions = CSearchAnimation::kFrameCount / 2 + 1;
constexpr int kFolderCount = 4;
constexpr int kFolderWidth = 16;
constexpr int kFolderHeight = 12;
constexpr int kFolderStep = 20;
constexpr int kFolderLeft = 2;
constexpr int kFolderTop = 32;
constexpr double kLensRadius = 8.5;

double GlassX(int nPosition)
{
    const double first = kFolderLeft + kFolderWidth / 2.0;
    const double last = first + (kFolderCount - 1) * kFolderStep;
    return first + (last - first) * nPosition / (kPositions - 1);
}
}  // namespace

CSearchAnimation::CSearchAnimation(QWidget* pParent) : QWidget(pParent)
{
    static_assert(kFrameCount == 2 * (kPositions - 1));
    m_timer.setInterval(kFrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CSearchAnimation::Advance);
}

void CSearchAnimation::SetFrame(int nFrame)
{
    m_nFrame = ((nFrame % kFrameCount) + kFrameCount) % kFrameCount;
    update();
}

void CSearchAnimation::Advance() { SetFrame(m_nFrame + 1); }

int CSearchAnimation::GlassPosition() const { return m_nFrame < kPositions ? m_nFrame : kFrameCount - m_nFrame; }

void CSearchAnimation::showEvent(QShowEvent* pEvent)
{
    QWidget::showEvent(pEvent);
    m_timer.start();
}

void CSearchAnimation::hideEvent(QHideEvent* pEvent)
{
    m_timer.stop();
    QWidget::hideEvent(pEvent);
}

void CSearchAnimation::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The scene keeps its size and sits in the middle of whatever room the dialog gives.
    painter.translate((width() - kSceneWidth) / 2, (height() - kSceneHeight) / 2);
    const double glassX = GlassX(GlassPosition());
    for (int i = 0; i < kFolderCount; ++i) {
        const double centre = kFolderLeft + i * kFolderStep + kFolderWidth / 2.0;
        DrawFolder(painter, i, std::abs(centre - glassX) < kFolderStep / 2.0);
    }
    DrawGlass(painter);
}

void CSearchAnimation::DrawFolder(QPainter& painter, int nIndex, bool bOpen) const
{
    const double left = kFolderLeft + nIndex * kFolderStep;
    const QColor outline(150, 110, 20);
    painter.setPen(QPen(outline, 1));
    // The tab behind the body.
    painter.setBrush(QColor(220, 170, 50));
    painter.drawRect(QRectF(left + 0.5, kFolderTop - 2.5, 6, 3));
    if (bOpen) {
        // A sheet pulled half out: the one being looked at.
        painter.setPen(QPen(QColor(110, 110, 110), 1));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(left + 3.5, kFolderTop - 8.5, 10, 11));
        for (double y : {kFolderTop - 6.5, kFolderTop - 4.5, kFolderTop - 2.5})
            painter.drawLine(QPointF(left + 5.5, y), QPointF(left + 11.5, y));
        painter.setPen(QPen(outline, 1));
    }
    painter.setBrush(bOpen ? QColor(255, 215, 90) : QColor(238, 190, 60));
    painter.drawRect(QRectF(left + 0.5, kFolderTop + 0.5, kFolderWidth, kFolderHeight));
}

void CSearchAnimation::DrawGlass(QPainter& painter) const
{
    const int position = GlassPosition();
    // The glass dips a little at every other step, as if peering into each folder.
    const QPointF centre(GlassX(position), 18.0 + (position % 2 == 0 ? 0.0 : 2.0));
    const QPointF handleStart = centre + QPointF(kLensRadius * 0.7, kLensRadius * 0.7);
    painter.setPen(QPen(QColor(90, 60, 30), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(handleStart, handleStart + QPointF(8, 8));
    painter.setPen(QPen(QColor(60, 60, 70), 2));
    painter.setBrush(QColor(170, 215, 255, 150));
    painter.drawEllipse(centre, kLensRadius, kLensRadius);
    // A glint on the lens.
    painter.setPen(QPen(QColor(255, 255, 255, 220), 1.5, Qt::SolidLine, Qt::RoundCap));
    QPainterPath glint;
    const QRectF glintArc(centre.x() - 5.5, centre.y() - 5.5, 11, 11);
    glint.arcMoveTo(glintArc, 100);
    glint.arcTo(glintArc, 100, 60);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(glint);
}
