#pragma once
#include "doc/Resource.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"
#include "views/EntryInfo.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

// A view of the given kind on a real search of a scratch tree, told of the search's end as
// a search window's views are, with a spy that records what the document tells its views.
template <class View> class ViewHarness : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetEntryInfoSink({});
        if (doc)
            doc->RemoveView(&spy);
    }
    // Searches the tree and shows its root in the view, resized to w by h.
    void Open(int w, int h)
    {
        doc = std::make_unique<AgreeingDriveDoc>();
        doc->PresetRoot(tree.Root(), "Folder test");
        ASSERT_TRUE(doc->OnNewDocument());
        root = doc->GetRoot();
        view->resize(w, h);
        doc->AddView(view.get());
        doc->AddView(&spy);
        doc->UpdateAllViews(nullptr, HINT_TREE_CHANGED);
        spy.hints.clear();
    }

    TempTree tree;
    QWidget parent;  // outlives the view it holds
    std::unique_ptr<AgreeingDriveDoc> doc;
    std::unique_ptr<View> view = std::make_unique<View>(&parent);
    CEntry* root = nullptr;
    HintSpy spy;
};
