#include "LensColour.h"

#include "lenses/TypeCatalog.h"
#include "model/Entry.h"

#include <algorithm>
#include <cmath>

namespace {
// Distinct hues of about the same lightness, in the categories' order.
constexpr std::array<QColor, kFileCategoryCount> kCategoryColours = {{
    {236, 112, 99},  // video: red
    {175, 122, 197},  // audio: violet
    {93, 173, 226},  // images: blue
    {88, 214, 141},  // documents: green
    {245, 176, 65},  // archives and disk images: orange
    {244, 208, 63},  // packages: yellow
    {72, 201, 176},  // source code: teal
    {205, 97, 135},  // libraries and programs: rose
    {189, 195, 199},  // other: grey
}};

// The age gradient's stops: newest, middle, oldest.
constexpr QColor kNewest{255, 245, 170}, kMiddle{245, 150, 80}, kOldest{130, 100, 180};

int Mix(int a, int b, double t) { return static_cast<int>(std::lround(a + (b - a) * t)); }

QColor Mix(QColor a, QColor b, double t)
{
    return {Mix(a.red(), b.red(), t), Mix(a.green(), b.green(), t), Mix(a.blue(), b.blue(), t)};
}
}  // namespace

QColor CLensColour::CategoryColour(FileCategory category)
{
    return kCategoryColours[std::min(static_cast<std::size_t>(category), kFileCategoryCount - 1)];
}

QColor CLensColour::AgeColour(double dPosition)
{
    // NaN fails every comparison: it counts as the newest.
    const double p = dPosition > 0 ? std::min(dPosition, 1.0) : 0.0;
    const double step = std::floor(p * (kAgeSteps - 1) + 0.5) / (kAgeSteps - 1);
    return step < 0.5 ? Mix(kNewest, kMiddle, step * 2) : Mix(kMiddle, kOldest, step * 2 - 1);
}

// Shades step darker by the colour index, little enough that the hue stays the same.
QColor CLensColour::Shade(QColor base, int nColour)
{
    const int nDarker = 3 * (nColour & 7);
    return {std::max(0, base.red() - nDarker), std::max(0, base.green() - nDarker), std::max(0, base.blue() - nDarker)};
}

CLensColour::CLensColour(EColourBy by, CTypeCatalog& catalog, const CAgeScale* pScale)
    : m_by(by), m_catalog(catalog), m_pScale(pScale)
{
    for (std::size_t c = 0; c < kFileCategoryCount; ++c)
        for (int i = 0; i < 8; ++i)
            m_categories[c][i] = Shade(kCategoryColours[c], i);
    for (std::size_t s = 0; s < kAgeSteps; ++s)
        for (int i = 0; i < 8; ++i)
            m_ages[s][i] = Shade(AgeColour(double(s) / (kAgeSteps - 1)), i);
    for (int i = 0; i < 8; ++i)
        m_unknownAge[i] = Shade(kUnknownAge, i);
}

QColor CLensColour::FillOf(const CEntry& entry) const
{
    const int nColour = entry.GetColour() & 7;
    if (entry.IsDirectory()) {
        const int nGrey = 242 - 8 * (entry.GetDepth() % 3);
        return {nGrey, nGrey, nGrey};
    }
    if (m_by == EColourBy::Type)
        return m_categories[static_cast<std::size_t>(m_catalog.TypeOf(entry.GetName()).category)][nColour];
    const std::optional<double> position = m_pScale != nullptr ? m_pScale->Position(entry) : std::nullopt;
    if (!position)
        return m_unknownAge[nColour];
    const auto nStep = static_cast<std::size_t>(std::lround(std::clamp(*position, 0.0, 1.0) * (kAgeSteps - 1)));
    return m_ages[nStep][nColour];
}
