// Sizes on disk against du, hard links counted once.
#include "model/FormatSize.h"
#include "support/DocHarness.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"
#include "sys/FileStatus.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

// A sparse file of 1 GiB holding 4 KiB, and a file of three names in two directories.
TEST(SizeOnDisk, TotalsAgreeWithDuAndFollowTheSwitchRefreshCancelAndDelete)
{
    TempTree t;
    TempTree data;
    ScopedDataHome dataHome{data.Path("share")};
    t.Files({{"sparse", std::int64_t{1} << 30}, {"d1/f", 100}, {"d2/plain", 5000}, {"d1/sub/x", 10}, {"d2/sub/y", 20}});
    const int fd = ::open(t.Path("sparse").c_str(), O_WRONLY);
    ASSERT_EQ(::pwrite(fd, std::string(4096, 'x').data(), 4096, 0), 4096);
    ::close(fd);
    for (const char* name : {"d1/f_same", "d2/f_other"})
        ASSERT_EQ(::link(t.Path("d1/f").c_str(), t.Path(name).c_str()), 0);
    auto doc = std::make_unique<AgreeingDriveDoc>();
    doc->PresetRoot(t.Root(), "Folder");
    ASSERT_TRUE(doc->OnNewDocument());
    CEntry* root = doc->GetRoot();
    const int listings = doc->listings;
    const auto carrier = [&] {
        for (const auto& names : {std::vector<std::string>{"d1", "f"}, {"d1", "f_same"}, {"d2", "f_other"}})
            if (const CEntry* e = EntryAt(root, names); e != nullptr && !e->IsLinkRepeat())
                return e;
        return static_cast<const CEntry*>(nullptr);
    };
    const CEntry* repeat =
        EntryAt(root, {"d2", "f_other"}) == carrier() ? EntryAt(root, {"d1", "f"}) : EntryAt(root, {"d2", "f_other"});
    const std::tuple<const char*, std::int64_t, std::int64_t> cases[] = {
        {"every name counts its length", root->GetLength(), (std::int64_t{1} << 30) + 3 * 100 + 5000 + 30},
        {"lengths are shown", root->GetSize(), root->GetLength()},
        {"on disk each file once, as du counts", root->GetDiskSize(), Du(t.Root())},
        {"du -l counts every name", root->GetDiskSize() + 2 * BlocksOnDisk(t.Path("d1/f")), Du(t.Root(), "-l")},
        {"the sparse file's blocks", Child(root, "sparse")->GetDiskSize(), BlocksOnDisk(t.Path("sparse"))},
        {"a directory's own blocks", Child(root, "d2")->GetOwnDiskSize(), BlocksOnDisk(t.Path("d2"))},
        {"the others count nothing", repeat->GetDiskSize(), 0},
    };
    for (const auto& [what, got, want] : cases)
        EXPECT_EQ(got, want) << what;
    EXPECT_EQ(repeat->GetTypeText(), "File") << "while lengths are shown";

    CEntry::ShowDiskSizes(true);
    doc->UpdateTitle();
    EXPECT_EQ(root->GetSize(), root->GetDiskSize());
    EXPECT_EQ(doc->listings, listings) << "switching reads nothing again";
    EXPECT_NE(doc->GetTitle().find("(" + FormatSize(root->GetDiskSize()) + ")"), std::string::npos) << doc->GetTitle();
    EXPECT_EQ(repeat->GetTypeText() + "/" + carrier()->GetTypeText(), "File (hard link)/File");
    CEntry::ShowDiskSizes(false);

    // A refresh given up after the fresh copy took over the linked file's blocks hands them
    // back: reading the folder of another name afterwards still counts the file once.
    const CEntry* pCarrier = carrier();
    doc->SetCurrent(pCarrier->GetParent());
    doc->beforeListing = [&](CEntry* dir, int) {
        if (dir->GetName() == "sub")  // the linked names of the fresh copy have been made
            doc->m_dlgProgress.OnCancel();
    };
    doc->OnRefresh();
    doc->beforeListing = nullptr;
    EXPECT_EQ(carrier(), pCarrier);
    EXPECT_EQ(root->GetDiskSize(), Du(t.Root()));
    doc->SetCurrent(Child(root, pCarrier->GetParent()->GetName() == "d1" ? "d2" : "d1"));
    doc->OnRefresh();
    EXPECT_EQ(root->GetDiskSize(), Du(t.Root())) << "after refreshing " << doc->GetCurrent()->GetPath();

    // Read again, the carrier's folder hands its part to its fresh copy; deleted, it takes
    // its blocks along, and the names left count 0 until their folder is read again.
    doc->SetCurrent(carrier()->GetParent());
    doc->OnRefresh();
    EXPECT_EQ(root->GetDiskSize(), Du(t.Root())) << "after refreshing " << doc->GetCurrent()->GetPath();
    CEntry* gone = carrier()->GetParent();
    const std::int64_t expected = root->GetDiskSize() - gone->GetDiskSize();
    const std::string goneName(gone->GetName());
    doc->SetSelected(gone);
    doc->OnDeleteFile();
    ASSERT_EQ(Child(root, goneName), nullptr);
    EXPECT_EQ(root->GetDiskSize(), expected);
    doc->SetCurrent(Child(root, goneName == "d1" ? "d2" : "d1"));
    doc->OnRefresh();
    EXPECT_EQ(root->GetDiskSize(), Du(t.Root())) << "the folder left, read again";
    EXPECT_EQ(root->GetLength(), (std::int64_t{1} << 30) + (goneName == "d1" ? 5000 + 100 + 20 : 200 + 10));
}

// A folder bound into itself, and one bound beside another: every folder counts once,
// whichever of its places the walk meets first, with or without reading ahead, and after
// a refresh. du passes over the first as well, and counts the second twice.
TEST(SizeOnDisk, AFolderShownTwiceByABindMountCountsOnce)
{
    TempTree t;
    t.Files({{"a/f", 100}, {"a/b/c/under", 0}, {"x/data", 10000}});
    t.Dir("y");
    const ScopedMount inside = ScopedMount::Bind(t.Path("a"), t.Path("a/b/c"));
    if (!inside.Mounted())
        GTEST_SKIP() << "mounting needs privilege";
    const ScopedMount beside = ScopedMount::Bind(t.Path("x"), t.Path("y"));
    ASSERT_TRUE(beside.Mounted());
    for (const bool bReadAhead : {true, false}) {
        auto doc = std::make_unique<TestDriveDoc>();
        doc->SetReadAhead(bReadAhead);
        doc->PresetRoot(t.Root(), "Folder");
        ASSERT_TRUE(doc->OnNewDocument());
        CEntry* root = doc->GetRoot();
        CEntry* c = EntryAt(root, {"a", "b", "c"});
        const CEntry* twin = Child(root, "x")->GetChildren().empty() ? Child(root, "x") : Child(root, "y");
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(root->GetDiskSize(), Du(t.Root()) - Du(twin->GetPath())) << bReadAhead;
        for (const CEntry* repeat : {static_cast<const CEntry*>(c), twin}) {
            EXPECT_EQ(repeat->GetTypeText(), "Directory (already counted)") << repeat->GetPath();
            EXPECT_EQ(repeat->GetDiskSize(), 0) << repeat->GetPath();
            EXPECT_TRUE(repeat->GetChildren().empty()) << repeat->GetPath();
        }
        EXPECT_EQ(Child(twin->GetParent(), twin->GetName() == "x" ? "y" : "x")->GetChildren().size(), 1u);
        const int listings = doc->listings;
        // Read again from below the folder bound into itself, its place is found as before.
        doc->SetCurrent(c->GetParent());
        doc->OnRefresh();
        EXPECT_EQ(root->GetDiskSize(), Du(t.Root()) - Du(twin->GetPath())) << bReadAhead;
        EXPECT_EQ(EntryAt(root, {"a", "b", "c"})->GetTypeText(), "Directory (already counted)");
        EXPECT_EQ(doc->listings, listings + 2) << "b and c asked for, c not read";
    }
}
