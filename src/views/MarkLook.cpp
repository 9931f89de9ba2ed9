#include "MarkLook.h"

#include "model/MarkSet.h"

CMarkLook::State CMarkLook::Of(const CMarkSet* pMarks, const CEntry& entry)
{
    if (pMarks == nullptr || pMarks->IsEmpty())
        return State::None;
    if (pMarks->IsMarked(entry))
        return State::Marked;
    return pMarks->IsCovered(entry) ? State::Covered : State::None;
}
