#include "ViewFilter.h"

#include "framework/UiServices.h"
#include "model/FormatSize.h"

#include <new>

void CViewFilter::Set(std::unique_ptr<CEntryFilter> pFilter, Refill refill)
{
    m_pFilter = std::move(pFilter);
    m_refill = m_pFilter != nullptr ? std::move(refill) : Refill();
    ++m_nGeneration;
}

void CViewFilter::Clear() { Set(nullptr, {}); }

template <class Change> void CViewFilter::Keep(Change change)
{
    if (m_pFilter == nullptr)
        return;
    ++m_nGeneration;
    try {
        change();
    } catch (const std::bad_alloc&) {
        Clear();
        ShowStatusMessage("Filter dropped: out of memory");
    }
}

void CViewFilter::Fill(CEntry& current)
{
    m_pFilter->Clear();
    m_refill(current, *m_pFilter);
}

void CViewFilter::Follow(CEntry& current)
{
    if (m_refill)
        Keep([&] { Fill(current); });
}

void CViewFilter::Forget(const CEntry& top)
{
    Keep([&] { m_pFilter->Forget(top); });
}

void CViewFilter::Replaced(const CEntry& old, const CEntry& fresh, CEntry& current)
{
    Keep([&] {
        // A rule may let through files that are new since: it is applied afresh.
        if (m_refill)
            Fill(current);
        else
            m_pFilter->Replaced(old, fresh);
    });
}

const std::string& CViewFilter::Text(const CEntry& dir) const
{
    if (m_pFilter == nullptr) {
        m_text.clear();
        return m_text;
    }
    if (m_pCounted == &dir && m_nCountedGeneration == m_nGeneration && m_bCountedDisk == CEntry::ShowsDiskSizes())
        return m_text;
    const auto [nCount, nTotal] = m_pFilter->CountBelow(dir);
    m_text = m_pFilter->GetLabel().empty() ? std::string() : m_pFilter->GetLabel() + ": ";
    m_text += FormatCount(nCount) + (nCount == 1 ? " file, " : " files, ") + FormatSize(nTotal);
    m_pCounted = &dir;
    m_nCountedGeneration = m_nGeneration;
    m_bCountedDisk = CEntry::ShowsDiskSizes();
    return m_text;
}
