// The walk with its listings read ahead on worker threads against the one-thread walk over
// the same trees: every entry, size, time, child order and colour must be the same.
#include "doc/ExcludeRules.h"
#include "support/DescriptorLimit.h"
#include "support/DocHarness.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"
#include "sys/ErrorText.h"
#include "sys/ThreadStart.h"

#include <QTimer>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <new>
#include <string_view>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {
struct Outcome {
    std::unique_ptr<TestDriveDoc> doc;
    bool bOk = false;
    std::vector<std::string> boxes;
};

// A walk as a nobody: permissions bite even for root. A walk that hangs is cancelled, and
// fails the test then.
Outcome Walk(const std::string& root, bool bReadAhead, const CReadAhead::Options& limits = {},
             const std::string& skipped = {})
{
    Outcome o;
    o.doc = NewSearch(root);
    o.doc->SetReadAhead(bReadAhead, limits);
    o.doc->skipped = skipped;
    ErrorBoxes boxes;
    QTimer giveUp;
    QObject::connect(&giveUp, &QTimer::timeout, [&o] { o.doc->m_dlgProgress.OnCancel(); });
    giveUp.start(120000);
    {
        Unprivileged nobody;
        o.bOk = o.doc->OnNewDocument() != FALSE;
    }
    o.boxes = boxes.shown;
    return o;
}

// Where two trees first differ, or nothing when they do not.
std::string FirstDifference(const CEntry* a, const CEntry* b)
{
    const auto fields = [](const CEntry* e) {
        const CHardLinkId* link = e->GetHardLink();
        return std::make_tuple(std::string(e->GetName()), e->IsDirectory(), +e->IsMountPoint(), e->GetLength(),
                               e->GetDiskSize(), e->IsUnreadable(), e->IsLinkRepeat(),
                               link != nullptr ? link->inode : 0, e->GetCreatedTime().GetTime(),
                               e->GetModifiedTime().GetTime(), e->GetAccessedTime().GetTime(), e->GetDepth(),
                               +e->GetColour(), e->GetChildren().size());
    };
    std::vector<std::pair<const CEntry*, const CEntry*>> pending{{a, b}};
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        if (fields(x) != fields(y))
            return x->GetPath();
        for (std::size_t i = 0; i < x->GetChildren().size(); ++i)
            pending.emplace_back(x->GetChildren()[i], y->GetChildren()[i]);
    }
    return {};
}

void ExpectSameOutcome(const Outcome& reference, const Outcome& o)
{
    EXPECT_EQ(o.bOk, reference.bOk);
    EXPECT_EQ(o.boxes, reference.boxes);
    EXPECT_EQ(o.doc->m_dlgProgress.m_strFiles, reference.doc->m_dlgProgress.m_strFiles);
    EXPECT_EQ(o.doc->m_dlgProgress.m_strDirectories, reference.doc->m_dlgProgress.m_strDirectories);
    EXPECT_EQ(FirstDifference(reference.doc->GetRoot(), o.doc->GetRoot()), "");
}

// Searches go past mount points while it lives.
struct CrossingRules {
    CrossingRules()
    {
        CExcludeRules rules;
        rules.bCrossFileSystems = true;
        CExcludeRules::SetForSearches(rules);
    }
    ~CrossingRules() { CExcludeRules::SetForSearches({}); }
};

// Directories named so vanish, or refuse to open, as they are opened.
int InjectedOpenError(const char* name)
{
    const std::string_view n(name);
    return n.starts_with("vanishing") ? ENOENT : n.starts_with("refusing") ? EACCES : 0;
}

// A small read-ahead: directories park, the walk's own throttles, parents are closed early
// and found again.
const CReadAhead::Options kCramped = [] {
    CReadAhead::Options o;
    o.nThreads = 3;
    o.nMaxThreads = 4;
    o.nMaxBuffered = 24;
    o.nMaxOpenParents = 8;
    return o;
}();

// What the read-ahead held stays within its bounds: records beyond nMaxBuffered only by the
// batch each worker was publishing, descriptors and threads within what the options allow.
void ExpectWithinBounds(const Outcome& o, const CReadAhead::Options& limits)
{
    const CReadAhead::Usage& usage = o.doc->usage;
    EXPECT_GE(usage.nThreads, 1u);
    EXPECT_LE(usage.nThreads, limits.nMaxThreads);
    EXPECT_LE(usage.nPeakWorkers, usage.nThreads);
    EXPECT_LE(usage.nPeakBuffered, limits.nMaxBuffered + usage.nThreads * (CReadAhead::kMaxBatchRecords + 1));
    EXPECT_LE(usage.nPeakDescriptors, CReadAhead::DescriptorBound(limits, usage.nThreads));
}

// nDepth levels below the new directory dir, each holding nWidth directories of which the
// first is the next level.
void MakeDirs(const TempTree& t, const std::string& dir, int nDepth, int nWidth)
{
    t.Dir(dir);
    int fd = ::open(t.Path(dir).c_str(), O_PATH | O_DIRECTORY);
    for (int i = 0; i < nDepth; ++i) {
        for (int w = 0; w < nWidth; ++w)
            ASSERT_EQ(::mkdirat(fd, ("d" + std::to_string(w)).c_str(), 0755), 0);
        const int next = ::openat(fd, "d0", O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ::close(::openat(fd, "bottom", O_WRONLY | O_CREAT, 0644));
    ::close(fd);
}
}  // namespace

TEST(ReadAheadWalk, GivesWhatTheOneThreadWalkGivesOnOddTrees)
{
    TempTree t;
    t.Chmod("", 0755);
    for (const char* n : {"new\nline", " lead and trail ", "bad\xff\xfe utf8", "R&D", "\xe6\x97\xa5\xe6\x9c\xac"})
        t.File(std::string("odd/") + n, 7);
    t.File("odd/" + std::string(255, 'L'), 9);
    // Times the read-ahead's short records cannot hold: before 1970, and from 2106 on.
    for (const auto& [name, when] : {std::pair{"odd/1969", -86400LL}, std::pair{"odd/2107", 4400000000LL}}) {
        t.File(name, 4);
        const timespec times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, t.Path(name).c_str(), times, 0), 0);
    }
    for (int i = 0; i < 19; ++i)
        t.File("colours/f" + std::to_string(i * 7 % 19), i);
    t.File("big.img", 5000000000LL);
    t.Dir("empty/inner");
    t.Dir("links/real");
    t.Symlink("links/up", "..");
    t.Symlink("links/loop_a", "loop_b");
    t.Symlink("links/loop_b", "loop_a");
    t.Symlink("links/dangling", "/nonexistent/target");
    t.Symlink("links/dir", "real");
    t.File("locked/secret", 99);
    t.Chmod("locked", 0700);
    t.File("listonly/unseen", 5);
    t.File("listonly/sub/deeper", 6);
    t.Chmod("listonly", 0744);  // a nobody may list it, but not read its items' status
    t.File("vanishing/lost", 11);
    t.File("refusing/kept", 12);
    t.File("after/vanishing2/lost", 13);
    t.Dir("mnt");
    for (const char* name : {"colours/hard", "links/real/hard"})  // the walk's order picks the carrier
        ASSERT_EQ(::link(t.Path("odd/R&D").c_str(), t.Path(name).c_str()), 0);
    const ScopedMount mnt = ScopedMount::SmallDisk(t.Path("mnt"), 65536);
    if (mnt.Mounted())
        t.File("mnt/inside", 1000);

    const ScopedOpenHook hook(&InjectedOpenError);
    Walk(t.Root(), false);  // reading a directory the first time stamps its access time
    const Outcome reference = Walk(t.Root(), false);
    ASSERT_TRUE(reference.bOk);
    EXPECT_TRUE(reference.boxes.empty());
    // Only what a nobody may read, and the links' own lengths, count.
    EXPECT_EQ(reference.doc->GetRoot()->GetSize(), 5000000000LL + 7 * 7 + 9 + 2 * 4 + 171 + (2 + 6 + 6 + 19 + 4));
    EXPECT_EQ(EntryAt(reference.doc->GetRoot(), {"odd", "1969"})->GetModifiedTime().GetTime(), -86400);
    EXPECT_FALSE(EntryAt(reference.doc->GetRoot(), {"links", "dir"})->IsDirectory()) << "a link is an item of its own";
    EXPECT_TRUE(!mnt.Mounted() || Child(reference.doc->GetRoot(), "mnt")->IsMountPoint());
    for (const auto& limits : {CReadAhead::Options{}, kCramped}) {
        SCOPED_TRACE(limits.nMaxBuffered);
        ExpectSameOutcome(reference, Walk(t.Root(), true, limits));
    }
    if (!mnt.Mounted())
        return;
    // Going past mount points, into the memory disk, the two walks still agree.
    const CrossingRules crossing;
    // The memory disk is read for the first time here: its access time is stamped now, not
    // between the walks compared (a second may tick over between them on a slow run).
    Walk(t.Root(), false);
    const Outcome crossed = Walk(t.Root(), false);
    EXPECT_NE(EntryAt(crossed.doc->GetRoot(), {"mnt", "inside"}), nullptr);
    for (const auto& limits : {CReadAhead::Options{}, kCramped}) {
        SCOPED_TRACE(limits.nMaxBuffered);
        ExpectSameOutcome(crossed, Walk(t.Root(), true, limits));
    }
}

TEST(ReadAheadWalk, GivesWhatTheOneThreadWalkGivesOnDeepAndWideTrees)
{
    TempTree t("/dev/shm");  // quick to make and remove
    t.Chmod("", 0755);
    // 10,000 levels; a comb of 600 levels where each keeps a subdirectory for later (more
    // parents waiting than descriptors are kept open); one directory of 100,000 items.
    MakeDirs(t, "deep", 10000, 1);
    MakeDirs(t, "comb", 600, 2);
    t.Dir("wide");
    const int wide = ::open(t.Path("wide").c_str(), O_PATH | O_DIRECTORY);
    for (int i = 0; i < 100000; ++i) {
        const std::string name = "item" + std::to_string(i * 7919 % 100000);
        if (i % 100 == 0) {
            ASSERT_EQ(::mkdirat(wide, name.c_str(), 0755), 0);
            ::close(::openat(wide, (name + "/x").c_str(), O_WRONLY | O_CREAT, 0644));
        } else {
            const int fd = ::openat(wide, name.c_str(), O_WRONLY | O_CREAT, 0644);
            ASSERT_EQ(::ftruncate(fd, i % 5000), 0);
            ::close(fd);
        }
    }
    ::close(wide);

    Walk(t.Root(), false);
    // The same walk asked for a directory it was not expected to ask for, the read-ahead
    // foresaw another: it starts afresh from there, and nothing changes.
    for (const std::string& skipped : {std::string(), std::string("d0")}) {
        SCOPED_TRACE(skipped);
        const Outcome reference = Walk(t.Root(), false, {}, skipped);
        ASSERT_TRUE(reference.bOk);
        EXPECT_EQ(reference.doc->m_dlgProgress.m_strDirectories, skipped.empty() ? "12203" : "1006");
        for (const auto& limits : {CReadAhead::Options{}, kCramped}) {
            SCOPED_TRACE(limits.nMaxBuffered);
            const Outcome o = Walk(t.Root(), true, limits, skipped);
            ExpectSameOutcome(reference, o);
            ExpectWithinBounds(o, limits);
        }
    }
}

namespace {
std::atomic<int> g_nStartsLeft{0};
bool RefuseOnceUsedUp() { return g_nStartsLeft.fetch_sub(1) <= 0; }

struct ScopedThreadLimit {
    explicit ScopedThreadLimit(int nStarts)
    {
        g_nStartsLeft = nStarts;
        SetThreadStartHook(&RefuseOnceUsedUp);
    }
    ~ScopedThreadLimit() { SetThreadStartHook(nullptr); }
};
}  // namespace

// A system at its limit of threads refuses some or all of them: the walk goes on with the
// workers it has, those it starts at once and those it adds while the disk keeps them
// waiting, or with none at all on its own thread. Out of memory opening a directory, the
// walk hears of it as that directory's error and says so, rather than waiting for a
// listing that never comes.
TEST(ReadAheadWalk, CarriesOnWithTheThreadsTheSystemAllowsAndStopsWhenMemoryRunsOut)
{
    TempTree t;
    t.Chmod("", 0755);
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 5; ++j)
            t.File("d" + std::to_string(i) + "/e" + std::to_string(j) + "/f", i + j);
    Walk(t.Root(), false);  // stamps the access times
    const Outcome reference = Walk(t.Root(), false);
    ASSERT_TRUE(reference.bOk);
    CReadAhead::Options growing;
    growing.nThreads = 1;
    growing.nMaxThreads = 4;
    growing.nBatchesPerWait = 1;
    // A stray wait now and then (a warm cache that missed) lets no more workers loose.
    CReadAhead::Options strayWaits = growing;
    strayWaits.nBatchesPerWait = 16;
    const struct {
        int nStarts;
        CReadAhead::Options limits;
        unsigned nThreads;
    } cases[] = {{0, kCramped, 0}, {2, kCramped, 2}, {2, growing, 2}, {99, growing, 4}, {99, strayWaits, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nStarts << " starts, " << c.limits.nThreads << " threads");
        const ScopedThreadLimit limit(c.nStarts);
        const Outcome o = Walk(t.Root(), true, c.limits);
        ExpectSameOutcome(reference, o);
        EXPECT_EQ(o.doc->usage.nThreads, c.nThreads);
    }

    t.File("d7/nomem/lost", 1);
    const ScopedOpenHook hook([](const char* name) -> int {
        if (std::string_view(name) == "nomem")
            throw std::bad_alloc();
        return 0;
    });
    char expected[256];
    FormatErrorText(ErrorFromErrno(ENOMEM), expected, sizeof expected);
    for (const auto& limits : {CReadAhead::Options{}, kCramped}) {
        SCOPED_TRACE(limits.nMaxBuffered);
        const Outcome o = Walk(t.Root(), true, limits);
        EXPECT_FALSE(o.bOk);
        EXPECT_FALSE(o.doc->m_dlgProgress.m_bCancelled);
        EXPECT_EQ(o.boxes, std::vector<std::string>{expected});
    }
}

// A low `ulimit -n`: both walks keep fewer parents open (and the read-ahead runs fewer
// workers) and give the whole tree, as du does; with next to nothing left the read-ahead
// stands aside for the one-thread walk.
TEST(ReadAheadWalk, WalksWithTheDescriptorsLeft)
{
    TempTree t("/dev/shm");
    t.Chmod("", 0755);
    MakeDirs(t, "deep", 150, 1);
    MakeDirs(t, "comb", 150, 3);
    Walk(t.Root(), false);
    const Outcome reference = Walk(t.Root(), false);
    ASSERT_TRUE(reference.bOk);
    ASSERT_EQ(reference.doc->m_dlgProgress.m_strDirectories, "602");
    for (const std::size_t nFree : {24, 12, 4}) {
        SCOPED_TRACE(nFree);
        const auto walkWithin = [&](bool bReadAhead, const CReadAhead::Options& limits) {
            const ScopedDescriptorLimit low(nFree);
            return Walk(t.Root(), bReadAhead, limits);
        };
        ExpectSameOutcome(reference, walkWithin(false, {}));
        for (const auto& limits : {CReadAhead::Options{}, kCramped}) {
            const Outcome o = walkWithin(true, limits);
            ExpectSameOutcome(reference, o);
            EXPECT_EQ(o.doc->usage.nThreads, nFree >= 24 ? 1u : 0u);
        }
    }
}
