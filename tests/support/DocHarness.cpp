#include "DocHarness.h"

#include "platform/ErrorText.h"

#include <gtest/gtest.h>

void AgreeingDriveDoc::ReportDeleteFailure(const std::string& strText) { ADD_FAILURE() << strText; }

ErrorBoxes::ErrorBoxes()
{
    SetErrorBoxSink([this](const std::string& text) { shown.push_back(text); });
}

ErrorBoxes::~ErrorBoxes() { SetErrorBoxSink(nullptr); }

CEntry* Child(const CEntry* pParent, const std::string& name)
{
    for (const auto& c : pParent->m_children)
        if (c->GetName() == name)
            return c;
    return nullptr;
}

CEntry* EntryAt(CEntry* pRoot, const std::vector<std::string>& names)
{
    for (const auto& name : names)
        pRoot = pRoot != nullptr ? Child(pRoot, name) : nullptr;
    return pRoot;
}

std::vector<std::string> ChildNames(const CEntry* pParent)
{
    std::vector<std::string> names;
    for (const auto& c : pParent->m_children)
        names.emplace_back(c->GetName());
    return names;
}

const CEntry* FindBadTotal(const CEntry* pRoot)
{
    std::vector<const CEntry*> stack{pRoot};
    while (!stack.empty()) {
        const CEntry* e = stack.back();
        stack.pop_back();
        if (!e->IsDirectory())
            continue;
        std::int64_t sum = 0;
        for (const auto& c : e->m_children) {
            sum += c->GetSize();
            stack.push_back(c);
        }
        if (sum != e->GetSize())
            return e;
    }
    return nullptr;
}
