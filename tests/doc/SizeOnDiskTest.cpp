// Sizes on disk against du, hard links counted once, and directories that could not be read.
#include "model/FormatSize.h"
#include "platform/FileStatus.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {
template <class Doc = TestDriveDoc>
std::unique_ptr<Doc> Search(const std::string& root)
{
    auto doc = std::make_unique<Doc>();
    doc->PresetRoot(root, "Folder " + root);
    if (!doc->OnNewDocument())
        doc.reset();
    return doc;
}

// What du says of the tree, in bytes.
std::int64_t Du(const std::string& root, const std::string& options = {})
{
    FILE* pipe = ::popen(("du -s -B1 " + options + " '" + root + "'").c_str(), "r");
    long long n = -1;
    if (pipe == nullptr || std::fscanf(pipe, "%lld", &n) != 1)
        ADD_FAILURE() << "du gave nothing";
    if (pipe != nullptr)
        ::pclose(pipe);
    return n;
}

std::int64_t Blocks(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_blocks) * 512 : -1;
}

struct ScopedDiskSizes {
    explicit ScopedDiskSizes(bool bDisk) { CEntry::ShowDiskSizes(bDisk); }
    ~ScopedDiskSizes() { CEntry::ShowDiskSizes(false); }
};

struct ScopedOpenHook {
    explicit ScopedOpenHook(SubdirectoryOpenHook hook) { SetSubdirectoryOpenHook(hook); }
    ~ScopedOpenHook() { SetSubdirectoryOpenHook(nullptr); }
};

// The one of a file's names that carries its blocks.
const CEntry* Carrier(const std::vector<const CEntry*>& names)
{
    for (const CEntry* e : names)
        if (!e->IsLinkRepeat())
            return e;
    return nullptr;
}
}  // namespace

// A sparse file of 1 GiB holding 4 KiB, and a file of three names in two directories.
TEST(SizeOnDisk, TotalsAgreeWithDuAndFollowTheSwitchRefreshAndDelete)
{
    TempTree t;
    TempTree data;
    ScopedDataHome dataHome{data.Path("share")};
    t.Files({{"sparse", std::int64_t{1} << 30}, {"d1/f", 100}, {"d2/plain", 5000}});
    t.Dir("d2/empty");
    const int fd = ::open(t.Path("sparse").c_str(), O_WRONLY);
    const std::string page(4096, 'x');
    ASSERT_EQ(::pwrite(fd, page.data(), page.size(), 0), 4096);
    ::close(fd);
    ASSERT_EQ(::link(t.Path("d1/f").c_str(), t.Path("d1/f_same").c_str()), 0);
    ASSERT_EQ(::link(t.Path("d1/f").c_str(), t.Path("d2/f_other").c_str()), 0);

    auto doc = Search<AgreeingDriveDoc>(t.Root());
    ASSERT_TRUE(doc);
    CEntry* root = doc->m_pRoot;
    const int listings = doc->listings;
    const auto names = [&] {
        return std::vector<const CEntry*>{EntryAt(root, {"d1", "f"}), EntryAt(root, {"d1", "f_same"}),
                                          EntryAt(root, {"d2", "f_other"})};
    };
    const std::int64_t fileBlocks = Blocks(t.Path("d1/f"));
    const std::vector<const CEntry*> found = names();
    const auto carriers = std::count_if(found.begin(), found.end(), [](auto e) { return !e->IsLinkRepeat(); });
    const std::tuple<const char*, std::int64_t, std::int64_t> lengths[] = {
        {"every name counts its length", root->GetLength(), (std::int64_t{1} << 30) + 3 * 100 + 5000},
        {"lengths are shown", root->GetSize(), root->GetLength()},
        {"on disk each file once, as du counts", root->GetDiskSize(), Du(t.Root())},
        {"du -l counts every name", root->GetDiskSize() + 2 * fileBlocks, Du(t.Root(), "-l")},
        {"the sparse file's blocks", Child(root, "sparse")->GetDiskSize(), Blocks(t.Path("sparse"))},
        {"a directory's own blocks", Child(root, "d2")->GetOwnDiskSize(), Blocks(t.Path("d2"))},
        {"one name carries the file", carriers, 1},
    };
    for (const auto& [what, got, want] : lengths)
        EXPECT_EQ(got, want) << what;
    EXPECT_EQ(Carrier(names())->GetTypeText(), "File");
    EXPECT_EQ(names()[Carrier(names()) == names()[0] ? 1 : 0]->GetTypeText(), "File") << "lengths shown";

    const ScopedDiskSizes disk(true);
    doc->UpdateTitle();
    EXPECT_EQ(root->GetSize(), root->GetDiskSize());
    EXPECT_EQ(doc->listings, listings) << "switching reads nothing again";
    EXPECT_NE(doc->GetTitle().find("(" + FormatSize(root->GetDiskSize()) + ")"), std::string::npos) << doc->GetTitle();
    for (const CEntry* e : names())
        EXPECT_EQ(e->GetTypeText(), e == Carrier(names()) ? "File" : "File (hard link)") << e->GetPath();

    // Read again, the carrier's folder hands its part to its fresh copy; deleted, it takes
    // its blocks along, and the names left count 0 until their folder is read again.
    doc->m_pCurrent = Carrier(names())->GetParent();
    doc->OnRefresh();
    EXPECT_EQ(root->GetDiskSize(), Du(t.Root())) << "after refreshing " << doc->m_pCurrent->GetPath();
    EXPECT_EQ(root->GetLength(), (std::int64_t{1} << 30) + 3 * 100 + 5000);
    CEntry* gone = Carrier(names())->GetParent();
    const std::int64_t before = root->GetDiskSize();
    const std::int64_t goneBytes = gone->GetDiskSize();
    const std::string goneName(gone->GetName());
    doc->m_pSelected = gone;
    doc->OnDeleteFile();
    ASSERT_EQ(Child(root, goneName), nullptr);
    EXPECT_EQ(root->GetDiskSize(), before - goneBytes);
    CEntry* left = Child(root, goneName == "d1" ? "d2" : "d1");
    doc->m_pCurrent = left;
    doc->OnRefresh();
    EXPECT_EQ(root->GetDiskSize(), Du(t.Root())) << "the folder left, read again";
    EXPECT_EQ(root->GetLength(), (std::int64_t{1} << 30) + (goneName == "d1" ? 5000 + 100 : 100));
}

// Tests run as an ordinary user even under root: permissions bite either way.
TEST(SizeOnDisk, UnreadableDirectoriesAreMarkedAndCountedUntilReadAgain)
{
    TempTree t;
    t.Chmod("", 0755);
    t.Files({{"locked/secret", 99}, {"vanishing/lost", 5}, {"open/f", 10}});
    t.Chmod("locked", 0);
    const ScopedOpenHook hook([](const char* name) { return std::string_view(name) == "vanishing" ? ENOENT : 0; });
    auto doc = std::make_unique<TestDriveDoc>();
    doc->PresetRoot(t.Root(), "Folder");
    const auto asNobody = [](const std::function<void()>& f) {
        Unprivileged nobody;
        f();
    };
    asNobody([&] { ASSERT_TRUE(doc->OnNewDocument()); });
    const std::tuple<const char*, bool, const char*> expected[] = {
        {"locked", true, "Directory (unreadable)"},
        {"vanishing", true, "Directory (unreadable)"},
        {"open", false, "Directory"},
    };
    for (const auto& [name, unreadable, type] : expected) {
        EXPECT_EQ(Child(doc->m_pRoot, name)->IsUnreadable(), unreadable) << name;
        EXPECT_EQ(Child(doc->m_pRoot, name)->GetTypeText(), type) << name;
    }
    EXPECT_EQ(doc->UnreadableText(), "2 directories could not be read");

    t.Chmod("locked", 0755);
    asNobody([&] { doc->OnRefresh(); });
    EXPECT_EQ(doc->UnreadableText(), "1 directory could not be read");
    EXPECT_EQ(ChildNames(Child(doc->m_pRoot, "locked")), std::vector<std::string>{"secret"});
    SetSubdirectoryOpenHook(nullptr);
    doc->m_pCurrent = Child(doc->m_pRoot, "vanishing");
    asNobody([&] { doc->OnRefresh(); });
    EXPECT_EQ(doc->UnreadableText(), "");
    EXPECT_FALSE(Child(doc->m_pRoot, "vanishing")->IsUnreadable());
}
