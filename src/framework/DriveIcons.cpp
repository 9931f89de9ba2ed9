#include "DriveIcons.h"

#include "IconTheme.h"

#include <QConicalGradient>
#include <QPainter>
#include <QPixmap>

#include <array>

namespace {
void DrawFloppy(QPainter& p)
{
    p.setPen(QColor(20, 30, 70));
    p.setBrush(QColor(45, 70, 150));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.fillRect(QRectF(9, 2.5, 1.5, 3), QColor(45, 70, 150));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 8.5, 9, 6));
}

void DrawHardDisc(QPainter& p)
{
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(190, 190, 195));
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 7), 1, 1);
    p.fillRect(QRectF(2, 9.5, 12, 1.5), QColor(120, 120, 125));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 40));
    p.drawEllipse(QPointF(12, 7), 1.2, 1.2);
}

void DrawCdRom(QPainter& p)
{
    QConicalGradient shine(QPointF(8, 8), 45);
    shine.setColorAt(0.0, QColor(230, 230, 240));
    shine.setColorAt(0.25, QColor(170, 200, 240));
    shine.setColorAt(0.5, QColor(240, 230, 200));
    shine.setColorAt(0.75, QColor(200, 170, 230));
    shine.setColorAt(1.0, QColor(230, 230, 240));
    p.setPen(QColor(90, 90, 100));
    p.setBrush(shine);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setBrush(QColor(250, 250, 250));
    p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
}

void DrawRemovable(QPainter& p)
{
    // A USB stick lying on its side, plug to the right.
    p.setPen(QColor(20, 40, 60));
    p.setBrush(QColor(40, 120, 190));
    p.drawRoundedRect(QRectF(0.5, 4.5, 10, 7), 1.5, 1.5);
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(QRectF(10.5, 5.5, 5, 5));
    p.fillRect(QRectF(12, 6.5, 1.5, 1), QColor(60, 60, 60));
    p.fillRect(QRectF(12, 8.5, 1.5, 1), QColor(60, 60, 60));
}

void DrawNetwork(QPainter& p)
{
    // A drive hanging off a network cable.
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(190, 190, 195));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 6), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 40));
    p.drawEllipse(QPointF(12, 4.5), 1.1, 1.1);
    p.setPen(QPen(QColor(30, 30, 30), 1.2));
    p.drawLine(QPointF(8, 8), QPointF(8, 13));
    p.drawLine(QPointF(1, 13.5), QPointF(15, 13.5));
    p.setBrush(QColor(60, 110, 200));
    p.setPen(QColor(20, 40, 90));
    p.drawRect(QRectF(6.5, 11.5, 3, 3));
}

QPixmap DrawnPixmap(DriveKind kind, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    switch (kind) {
    case DriveKind::Floppy:
        DrawFloppy(painter);
        break;
    case DriveKind::HardDisc:
        DrawHardDisc(painter);
        break;
    case DriveKind::CdRom:
        DrawCdRom(painter);
        break;
    case DriveKind::Removable:
        DrawRemovable(painter);
        break;
    case DriveKind::Network:
        DrawNetwork(painter);
        break;
    }
    return pixmap;
}
}  // namespace

QIcon DriveIcon(DriveKind kind)
{
    static constexpr std::array<std::array<const char*, 2>, 5> kThemeNames = {{
        {"media-floppy", nullptr},
        {"drive-harddisk", nullptr},
        {"drive-optical", "media-optical"},
        {"drive-removable-media", "media-removable"},
        {"network-server", "folder-remote"},
    }};
    PrepareIconTheme();
    for (const char* name : kThemeNames.at(static_cast<std::size_t>(kind))) {
        if (name == nullptr)
            break;
        const QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
        if (!icon.isNull() && !icon.pixmap(16, 16).isNull())
            return icon;
    }
    return DrawnDriveIcon(kind);
}

QIcon DrawnDriveIcon(DriveKind kind)
{
    QIcon icon;
    icon.addPixmap(DrawnPixmap(kind, 16));
    icon.addPixmap(DrawnPixmap(kind, 32));
    return icon;
}
