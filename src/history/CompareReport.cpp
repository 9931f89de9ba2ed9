#include "CompareReport.h"

#include "base/LineEscape.h"
#include "model/FormatSize.h"
#include "model/SearchComparison.h"

namespace {
std::string SizeText(std::int64_t nBytes, bool bBytes) { return bBytes ? std::to_string(nBytes) : FormatSize(nBytes); }

std::string ChangeText(std::int64_t nDelta, bool bBytes)
{
    if (!bBytes)
        return FormatSizeChange(nDelta);
    // Sizes are never negative, so a difference of two is never the lowest value.
    return (nDelta > 0 ? "+" : "") + std::to_string(nDelta);
}

std::string HeldText(bool bHeld, std::int64_t nBytes, bool bBytes) { return bHeld ? SizeText(nBytes, bBytes) : "-"; }
}  // namespace

std::string CompareReport(const CSearchComparison& comparison, SizeMeasure measure, std::size_t nTop, bool bBytes)
{
    std::string text;
    for (const CChange& change : LargestChanges(comparison, measure, nTop)) {
        text += ChangeText(change.Delta(), bBytes) + '\t' + HeldText(change.bBefore, change.nBefore, bBytes) + '\t'
            + HeldText(change.bAfter, change.nAfter, bBytes) + '\t';
        AppendLineEscaped(text, change.pEntry->GetPath());
        text += '\n';
    }
    const std::int64_t nBefore = SizeIn(comparison.GetEarlierRoot(), measure);
    const std::int64_t nAfter = SizeIn(comparison.GetCurrentRoot(), measure);
    text += "total\t" + SizeText(nBefore, bBytes) + '\t' + SizeText(nAfter, bBytes) + '\t'
        + ChangeText(nAfter - nBefore, bBytes) + '\t' + std::to_string(comparison.NewCount()) + '\t'
        + std::to_string(comparison.RemovedCount()) + '\n';
    return text;
}
