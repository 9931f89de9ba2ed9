#include "model/Entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace {
// A finder standing on one made-up item, the way the walk hands items to entries.
class FakeFind : public CFinder {
public:
    FakeFind(std::string name, bool dir, std::int64_t size, std::int64_t t = 0)
        : m_name(std::move(name)), m_dir(dir), m_size(size), m_t(t)
    {
    }
    BOOL FindNextFile() override { return FALSE; }
    void Close() override {}
    std::string GetFilePath() const override { return "/" + m_name; }
    const std::string& GetFileName() const override { return m_name; }
    BOOL MatchesMask(DWORD mask) const override { return m_dir && (mask & FILE_ATTRIBUTE_DIRECTORY) ? TRUE : FALSE; }
    std::int64_t GetLength64() const override { return m_size; }
    CTime GetCreationTime() const override { return CTime(m_t); }
    CTime GetLastWriteTime() const override { return CTime(m_t + 1); }
    CTime GetLastAccessTime() const override { return CTime(m_t + 2); }

private:
    std::string m_name;
    bool m_dir;
    std::int64_t m_size;
    std::int64_t m_t;
};

CEntry* Add(CEntry* parent, const std::string& name, bool dir, std::int64_t size = 0)
{
    auto e = std::make_unique<CEntry>();
    e->InitFromFind(parent, FakeFind(name, dir, size, 100));
    CEntry* raw = e.get();
    parent->m_children.push_back(std::move(e));
    return raw;
}

int g_lookups = 0;
int CountingLookup(const std::string& path, BOOL bOpen, BOOL)
{
    ++g_lookups;
    if (path.back() == '/')
        return bOpen ? 11 : 10;
    return 3;
}
}  // namespace

TEST(Entry, TotalsFollowEveryFileUpTheChain)
{
    CEntry root;
    root.InitAsRoot("/");
    CEntry* a = Add(&root, "a", true);
    CEntry* b = Add(a, "b", true);
    CEntry* c = Add(b, "c", true);
    Add(b, "empty", false, 0);
    EXPECT_EQ(root.GetSize(), 0);
    EXPECT_EQ(b->GetSize(), 0) << "a file of length 0 adds nothing";

    CEntry* f = Add(c, "f.bin", false, 1000);
    EXPECT_EQ(f->GetDepth(), 4);
    for (const CEntry* e : {f, c, b, a, &root})
        EXPECT_EQ(e->GetSize(), 1000) << e->GetName();

    CEntry* big = Add(a, "huge.iso", false, 5000000000LL);
    EXPECT_EQ(root.GetSize(), 5000001000LL);
    EXPECT_EQ(big->GetSizeText(), "4.66G");

    // Removing a child's total from its parent restores every ancestor.
    a->AddSize(-big->GetSize());
    for (const CEntry* e : {&root, a, c})
        EXPECT_EQ(e->GetSize(), 1000) << e->GetName();

    // Lengths near 2^63 (sparse files) stop a total at the largest value, never wrap it.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    CEntry* huge = Add(c, "huge1", false, kMax - 10);
    Add(b, "huge2", false, kMax - 10);
    for (const CEntry* e : {&root, a, b, c})
        EXPECT_EQ(e->GetSize(), kMax) << e->GetName();
    b->AddSize(-huge->GetSize());
    EXPECT_EQ(root.GetSize(), 10);
    c->AddSize(-kMax);
    EXPECT_EQ(root.GetSize(), 0) << "what stopped at the top comes down, never below nothing";
}

TEST(Entry, PathsAreComposedWithOneSeparatorAndKeptByTheCopyForRereading)
{
    for (const char* rootPath : {"/", "/home"}) {
        CEntry root;
        root.InitAsRoot(rootPath);
        CEntry* d = Add(&root, "dir with space", true);
        CEntry* f = Add(d, "na\nme\xff", false, 42);
        const std::string base = std::string(rootPath) == "/" ? "" : rootPath;
        EXPECT_EQ(root.GetPath(), rootPath);
        EXPECT_EQ(f->GetPath(), base + "/dir with space/na\nme\xff") << "bytes kept exactly";

        d->m_nColour = 5;
        d->m_nIcon = 7;
        d->m_nOpenIcon = 8;
        const CEntry copy(*d);
        EXPECT_EQ(copy.GetParent(), &root);
        EXPECT_EQ(copy.GetPath(), d->GetPath());
        EXPECT_EQ(copy.GetModifiedTime(), d->GetModifiedTime());
        EXPECT_EQ(std::vector<std::int64_t>({copy.GetDepth(), copy.IsDirectory(), copy.GetSize(),
                                             static_cast<std::int64_t>(copy.m_children.size()), copy.m_nColour,
                                             copy.m_nIcon, copy.m_nOpenIcon}),
                  std::vector<std::int64_t>({1, TRUE, 0, 0, 5, 7, 8}))
            << "the same identity, times, icons and colour; no contents";
        EXPECT_EQ(d->GetSize(), 42) << "the source is unchanged";
    }
}

TEST(Entry, SubdirectoriesAndNameOrder)
{
    CEntry root;
    root.InitAsRoot("/");
    CEntry* files = Add(&root, "files", true);
    Add(files, "one", false, 1);
    EXPECT_FALSE(files->HasSubdirectories());
    EXPECT_FALSE(files->m_children[0]->HasSubdirectories());
    EXPECT_TRUE(root.HasSubdirectories());
    // Byte by byte after folding A-Z to a-z; bytes above ASCII sort after the letters.
    const struct {
        const char* a;
        const char* b;
        int order;
    } pairs[] = {{"_x", "A", -1}, {"A", "b", -1}, {"abc", "ABD", -1}, {"Readme", "README", 0}, {"\xc3\xa9", "z", 1}, {"ab", "abc", -1}};
    for (const auto& p : pairs)
        EXPECT_EQ(std::clamp(CompareNames(p.a, p.b), -1, 1), p.order) << p.a << " " << p.b;
}

TEST(Entry, DeepTreesAreDestroyedWithoutRecursion)
{
    auto root = std::make_unique<CEntry>();
    root->InitAsRoot("/");
    CEntry* p = root.get();
    for (int i = 0; i < 200000; ++i)
        p = Add(p, "d", true);
    Add(p, "leaf", false, 9);
    EXPECT_EQ(root->GetSize(), 9);
    EXPECT_EQ(p->GetDepth(), 200000);
    EXPECT_EQ(p->GetPath().size(), 200000u * 2);
    root.reset();  // would overflow the stack if children were destroyed recursively
}

TEST(Entry, IconIndicesAreCachedPerState)
{
    CEntry root;
    root.InitAsRoot("/");
    CEntry* d = Add(&root, "d", true);
    CEntry* f = Add(&root, "f.txt", false);
    CEntry::SetIconLookup(nullptr);
    EXPECT_EQ(d->GetIconIndex(FALSE), -1) << "no lookup installed: nothing known yet";

    CEntry::SetIconLookup(&CountingLookup);
    g_lookups = 0;
    const std::vector<int> indices = {d->GetIconIndex(FALSE), d->GetIconIndex(TRUE), d->GetIconIndex(FALSE),
                                      d->GetIconIndex(TRUE), f->GetIconIndex(FALSE)};
    EXPECT_EQ(indices, (std::vector<int>{10, 11, 10, 11, 3})) << "directories are looked up with a trailing /";
    EXPECT_EQ(g_lookups, 3) << "one lookup per entry and state";
    CEntry::SetIconLookup(nullptr);
}
