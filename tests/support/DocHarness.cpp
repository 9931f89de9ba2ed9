#include "DocHarness.h"

#include "framework/ErrorBox.h"

#include <gtest/gtest.h>

#include <algorithm>

void AgreeingDriveDoc::ReportDeleteFailure(const std::string& strText) { ADD_FAILURE() << strText; }

std::unique_ptr<TestDriveDoc> NewSearch(const std::string& folder)
{
    auto doc = std::make_unique<TestDriveDoc>();
    doc->PresetRoot(folder, "Folder " + folder);
    return doc;
}

std::unique_ptr<TestDriveDoc> Search(const std::string& folder)
{
    auto doc = NewSearch(folder);
    doc->SetProgressInterval(std::chrono::milliseconds(0));
    return doc->OnNewDocument() ? std::move(doc) : nullptr;
}

ErrorBoxes::ErrorBoxes()
{
    SetErrorBoxSink([this](const std::string& text) { shown.push_back(text); });
}

ErrorBoxes::~ErrorBoxes() { SetErrorBoxSink(nullptr); }

CEntry* Child(const CEntry* pParent, const std::string& name)
{
    for (const auto& c : pParent->GetChildren())
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

CEntry* EntryAtPath(CEntry* pRoot, const std::string& relative)
{
    for (std::size_t start = 0; pRoot != nullptr && start < relative.size();) {
        const std::size_t slash = std::min(relative.find('/', start), relative.size());
        pRoot = Child(pRoot, relative.substr(start, slash - start));
        start = slash + 1;
    }
    return pRoot;
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
        for (const auto& c : e->GetChildren()) {
            sum += c->GetSize();
            stack.push_back(c);
        }
        if (sum != e->GetSize())
            return e;
    }
    return nullptr;
}
