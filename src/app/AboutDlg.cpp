#include "AboutDlg.h"

#include "Version.h"
#include "base/Types.h"
#include "framework/UiServices.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace {

// The program's mark: a small treemap, one big blue directory beside a green and an orange
// one, each split into three files. The same rectangles, on a 128-unit square, make
// resources/icons/volra.svg; the banner draws them on its own dark ground.
struct MarkBlock {
    int x, y, w, h;
    QRgb colour;
};
constexpr std::array<MarkBlock, 9> kMark{{
    {16, 16, 56, 58, 0x6f9fe6},
    {16, 78, 28, 34, 0x93b8ef},
    {48, 78, 24, 34, 0xb5cff5},
    {76, 16, 36, 24, 0x67b96a},
    {76, 44, 18, 20, 0x8fcc8d},
    {98, 44, 14, 20, 0xb6dfb3},
    {76, 68, 36, 24, 0xe9974a},
    {76, 96, 24, 16, 0xf0b57c},
    {104, 96, 8, 16, 0xf6d2ac},
}};
constexpr int kMarkUnits = 128;
constexpr int kMarkInset = 16;  // the blocks span units 16 to 112 of the square

const QColor kGroundTop(0x2c, 0x40, 0x64);
const QColor kGroundBottom(0x1f, 0x2c, 0x45);
const QColor kNameColour(0xff, 0xff, 0xff);
const QColor kTaglineColour(0xb8, 0xc6, 0xdd);

// Draws the mark's blocks so that units 16 to 112 fill the square at topLeft of the given side.
void DrawMark(QPainter& painter, QPointF topLeft, qreal side)
{
    const qreal scale = side / (kMarkUnits - 2 * kMarkInset);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (const MarkBlock& block : kMark) {
        painter.setBrush(QColor(block.colour));
        const QRectF rect(topLeft.x() + (block.x - kMarkInset) * scale, topLeft.y() + (block.y - kMarkInset) * scale,
                          block.w * scale, block.h * scale);
        painter.drawRoundedRect(rect, 2 * scale, 2 * scale);
    }
    painter.restore();
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    // Lower case: the caption this box has always carried.
    setWindowTitle(QStringLiteral("volra"));
    setWindowFlags(kDialogWindowFlags);
    setModal(true);
    CreateControls();
}

QPixmap CAboutDlg::DrawBanner(qreal devicePixelRatio)
{
    QPixmap banner(QSize(kBannerWidth, kBannerHeight) * devicePixelRatio);
    banner.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&banner);
    QLinearGradient ground(0, 0, 0, kBannerHeight);
    ground.setColorAt(0, kGroundTop);
    ground.setColorAt(1, kGroundBottom);
    painter.fillRect(QRect(0, 0, kBannerWidth, kBannerHeight), ground);

    constexpr int kMargin = 16;
    const int markSide = kBannerHeight - 2 * kMargin;
    DrawMark(painter, QPointF(kMargin + 4, kMargin), markSide);

    const int textLeft = kMargin + 4 + markSide + 20;
    QFont nameFont = painter.font();
    nameFont.setPixelSize(40);
    nameFont.setBold(true);
    painter.setFont(nameFont);
    painter.setPen(kNameColour);
    const QRect nameBox(textLeft, kMargin - 6, kBannerWidth - textLeft - kMargin, 48);
    painter.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Volra"));

    QFont taglineFont = painter.font();
    taglineFont.setPixelSize(14);
    taglineFont.setBold(false);
    painter.setFont(taglineFont);
    painter.setPen(kTaglineColour);
    const QRect taglineBox(textLeft, nameBox.bottom() + 2, nameBox.width(), 20);
    painter.drawText(taglineBox, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("See where your disk space went"));
    return banner;
}

void CAboutDlg::CreateControls()
{
    m_pBanner = new QLabel(this);
    m_pBanner->setPixmap(DrawBanner(devicePixelRatioF()));
    m_pBanner->setFixedSize(kBannerWidth, kBannerHeight);

    m_pVersionLabel = new QLabel(QStringLiteral("Version:"), this);
    m_pVersion = new QLabel(QString::fromLatin1(kVolraVersion), this);
    m_pVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setDefault(true);
    connect(m_pOk, &QPushButton::clicked, this, [this] { done(IDOK); });

    auto* pDetails = new QHBoxLayout;
    pDetails->setContentsMargins(16, 12, 16, 12);
    pDetails->setSpacing(6);  // the outer layout's 0 would otherwise be inherited
    pDetails->addWidget(m_pVersionLabel);
    pDetails->addWidget(m_pVersion);
    pDetails->addStretch(1);
    pDetails->addWidget(m_pOk);

    // The banner runs edge to edge; only the line below it keeps the usual margins.
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    pLayout->addWidget(m_pBanner);
    pLayout->addLayout(pDetails);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}

int CAboutDlg::DoModal()
{
    const int result = exec();
    return result == IDOK ? IDOK : IDCANCEL;
}
