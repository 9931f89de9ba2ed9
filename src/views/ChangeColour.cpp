#include "ChangeColour.h"

#include "model/SearchComparison.h"

#include <algorithm>
#include <cmath>

namespace {
QColor Blend(QColor light, QColor full, double dStrength)
{
    const auto mix = [dStrength](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * dStrength)); };
    return {mix(light.red(), full.red()), mix(light.green(), full.green()), mix(light.blue(), full.blue())};
}
}  // namespace

QColor CChangeColour::For(EKind kind, double dShare, int nDepth, int nColour)
{
    // NaN fails every comparison: it counts as no share at all.
    const double dClamped = dShare > 0 ? std::min(dShare, 1.0) : 0.0;
    const double dStrength = kFloor + (1 - kFloor) * std::sqrt(dClamped);
    switch (kind) {
    case EKind::New:
        return kNew;
    case EKind::Grown:
        return Blend(kGrownLight, kGrownFull, dStrength);
    case EKind::Shrunk:
        return Blend(kShrunkLight, kShrunkFull, dStrength);
    case EKind::Unchanged:
        break;
    }
    // Two files side by side have no frame between them: only the shade tells them apart.
    const int nGrey = 238 - 10 * (nDepth % 3) - 3 * (nColour & 7);
    return {nGrey, nGrey, nGrey};
}

double CChangeColour::Share(std::int64_t nChange, std::int64_t nDirectoryNow, std::int64_t nDirectoryEarlier)
{
    const std::int64_t nScale = std::max(nDirectoryNow, nDirectoryEarlier);
    if (nScale <= 0)
        return 0;
    // In double: a magnitude is never lost to overflow, and the share needs no more digits.
    return std::min(std::abs(double(nChange)) / double(nScale), 1.0);
}

QColor CChangeColour::Of(const CSearchComparison& comparison, const CEntry& entry)
{
    const int nDepth = entry.GetDepth();
    const int nColour = entry.GetColour();
    if (comparison.EarlierOf(entry) == nullptr)
        return For(EKind::New, 0, nDepth, nColour);
    const std::int64_t nChange = comparison.ChangeOf(entry);
    if (nChange == 0)
        return For(EKind::Unchanged, 0, nDepth, nColour);
    // An item that was there earlier lies in a directory that was too.
    const CEntry* pDirectory = entry.GetParent() != nullptr ? entry.GetParent() : &entry;
    const CEntry* pEarlierDirectory = comparison.EarlierOf(*pDirectory);
    const double dShare =
        Share(nChange, pDirectory->GetSize(), pEarlierDirectory != nullptr ? pEarlierDirectory->GetSize() : 0);
    return For(nChange > 0 ? EKind::Grown : EKind::Shrunk, dShare, nDepth, nColour);
}
