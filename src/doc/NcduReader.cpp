#include "NcduReader.h"

#include "JsonInput.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <limits>
#include <new>
#include <string_view>
#include <vector>

namespace {

constexpr int kMaxIgnoredDepth = 1000;  // nesting inside values that are passed over
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

// A directory's totals are added up once, as each item of it is complete.
void AddTotals(CEntry& directory, const CEntry& item) { directory.AddChildTotals(item); }

// A JSON value that is not a container, as the handler below gets it.
struct Scalar {
    enum class Type { Null, Bool, Number, String } type = Type::Null;
    bool flag = false;
    bool integral = false;  // a whole number that fits 64 bits, signed or not
    bool negative = false;
    std::uint64_t magnitude = 0;
    std::string_view text;

    static Scalar Boolean(bool b)
    {
        Scalar v;
        v.type = Type::Bool;
        v.flag = b;
        return v;
    }
    static Scalar Whole(bool negative, std::uint64_t magnitude)
    {
        Scalar v;
        v.type = Type::Number;
        v.integral = true;
        v.negative = negative;
        v.magnitude = magnitude;
        return v;
    }
    static Scalar Fraction()
    {
        Scalar v;
        v.type = Type::Number;
        return v;
    }
    static Scalar Text(std::string_view text)
    {
        Scalar v;
        v.type = Type::String;
        v.text = text;
        return v;
    }
};

// What an info object's key is for; fields the tree has no place for are still checked.
enum class Field { Name, Length, Count, Time, Flag, Excluded, Ignored };

struct KnownKey {
    std::string_view key;
    Field field;
    int slot;  // which length, count, time or flag of Info
};
constexpr KnownKey kKeys[] = {
    {"name", Field::Name, 0},         {"asize", Field::Length, 0},    {"dsize", Field::Length, 1},
    {"dev", Field::Count, 0},         {"ino", Field::Count, 1},       {"nlink", Field::Count, 2},
    {"uid", Field::Count, 3},         {"gid", Field::Count, 3},       {"mode", Field::Count, 3},
    {"created", Field::Time, 0},      {"mtime", Field::Time, 1},      {"atime", Field::Time, 2},
    {"hlnkc", Field::Flag, 0},        {"read_error", Field::Flag, 1}, {"notreg", Field::Flag, 2},
    {"excluded", Field::Excluded, 0},
};

// One info object: a file's, or the directory's whose array it opens.
struct Info {
    std::string name;
    bool haveName = false;
    std::int64_t lengths[2] = {0, 0};  // asize, dsize
    std::uint64_t counts[4] = {0, 0, 0, 0};  // dev, ino, nlink, and those not kept
    bool haveDevice = false;
    std::int64_t times[3] = {0, 0, 0};
    unsigned knownTimes = 0;  // bit i: times[i] was in the file
    bool flags[3] = {false, false, false};  // hlnkc, read_error, notreg
    bool otherFileSystem = false;
    bool excluded = false;  // left out by a pattern (or, on a Mac, a firmlink)
};

bool IsFileName(std::string_view name, bool root)
{
    if (name.empty() || name.size() > CNcduReader::kMaxName || name.find('\0') != std::string_view::npos)
        return false;
    return root || (name != "." && name != ".." && name.find('/') == std::string_view::npos);
}

// Every entry of a read tree is made here, in the caller's arena: a root when there is no
// parent.
// A name of a file with several: its blocks are claimed once the whole tree is read.
struct PendingLink {
    CEntry* pEntry;
    CHardLinkId id;
    std::int64_t nDisk;
};

// A file's hard links are known by their device (that of the nearest directory that names
// one) and inode.
bool IsHardLink(const Info& info, bool bDirectory) { return !bDirectory && info.flags[0] && info.counts[1] != 0; }

CEntry* AddEntry(CEntryArena& arena, CEntry* pParent, Info& info, bool bDirectory)
{
    CFoundItem item;
    item.name = info.name;
    item.bDirectory = bDirectory;
    item.nLength = info.lengths[0];
    item.nAllocated = IsHardLink(info, bDirectory) ? 0 : info.lengths[1];
    item.created = CTime(info.times[0]);
    item.modified = CTime(info.times[1]);
    item.accessed = CTime(info.times[2]);
    CEntry* p = arena.NewEntry();
    p->InitUnsummed(pParent, item);  // its colour: its place in the file
    p->SetMountPoint(bDirectory && info.otherFileSystem && pParent != nullptr);
    p->SetExcluded(info.excluded && pParent != nullptr);
    p->SetUnreadable(bDirectory && info.flags[1]);
    p->SetUnknownTimes(~info.knownTimes);
    return p;
}

// The same for a tree built from the top down, into a walk's start directory.
CEntry* AddWalkedEntry(CEntryArena& arena, CEntry* pParent, const Info& info, bool bDirectory, std::uint64_t device)
{
    CFoundItem item;
    item.name = info.name;
    item.bDirectory = bDirectory;
    item.nLength = info.lengths[0];
    item.nAllocated = info.lengths[1];
    item.created = CTime(info.times[0]);
    item.modified = CTime(info.times[1]);
    item.accessed = CTime(info.times[2]);
    item.bHardLink = IsHardLink(info, bDirectory);
    item.link = {device, info.counts[1], info.counts[2]};
    CEntry* p = arena.NewEntry();
    p->InitFromItem(pParent, item);
    p->SetColour(static_cast<int>(pParent->GetChildren().size() % 8));
    pParent->AppendChild(p);
    p->SetMountPoint(bDirectory && info.otherFileSystem);
    p->SetExcluded(info.excluded);
    p->SetUnreadable(bDirectory && info.flags[1]);
    p->SetUnknownTimes(~info.knownTimes);
    return p;
}

// Follows the export's grammar event by event: [major, minor, {metadata}, directory], where
// a directory is [{info}, item, ...] and an item is {info} (a file) or a directory.
class CNcduHandler {
public:
    // With pStart, the tree is read into that directory from the top down.
    CNcduHandler(CEntryArena& arena, CEntry* pStart) : m_arena(arena), m_pStart(pStart) {}
    bool Null() { return Value({}); }
    bool Bool(bool b) { return Value(Scalar::Boolean(b)); }
    bool Int(int i) { return Int64(i); }
    bool Uint(unsigned u) { return Uint64(u); }
    bool Int64(std::int64_t i)
    {
        const std::uint64_t magnitude = i < 0 ? 0 - static_cast<std::uint64_t>(i) : static_cast<std::uint64_t>(i);
        return Value(Scalar::Whole(i < 0, magnitude));
    }
    bool Uint64(std::uint64_t u) { return Value(Scalar::Whole(false, u)); }
    bool Double(double) { return Value(Scalar::Fraction()); }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return Value(Scalar::Fraction()); }
    bool String(const char* s, rapidjson::SizeType n, bool) { return Value(Scalar::Text(std::string_view(s, n))); }
    bool StartObject();
    bool Key(const char* s, rapidjson::SizeType n, bool);
    bool EndObject(rapidjson::SizeType);
    bool StartArray();
    bool EndArray(rapidjson::SizeType);

    bool Finished() const { return m_state == State::Done; }
    // The parser calls for a bracket before it takes it, for anything else after.
    bool AtBracket() const { return m_bBracket; }
    const std::string& Problem() const { return m_strProblem; }
    bool SawDiskSizes() const { return m_bDiskSizes; }
    CNcduReader::Progress GetProgress() const
    {
        return {m_nFiles, m_nDirectories, m_stack.empty() ? nullptr : m_stack.back()};
    }
    CEntry* m_pRoot = nullptr;  // in m_arena
    std::int64_t m_nStartOwnDisk = 0;  // the root's "dsize"

private:
    CEntryArena& m_arena;
    CEntry* m_pStart;  // not owned; null for a tree of its own
    enum class State { Top, Major, Minor, Metadata, Tree, DirectoryInfo, Info, Value, Items, AfterTree, Done };

    bool Fail(std::string problem)
    {
        m_strProblem = std::move(problem);
        return false;
    }
    bool Value(const Scalar& v)
    {
        m_bBracket = false;
        return OnScalar(v);
    }
    bool OnScalar(const Scalar& v);
    bool OnValue(const Scalar& v);
    bool Ignore(State after)
    {
        m_nIgnoring = 1;
        m_afterIgnored = after;
        return true;
    }
    bool FinishInfo();
    bool CloseDirectory();
    void ClaimLinks();

    State m_state = State::Top;
    int m_nIgnoring = 0;  // depth inside a container being passed over
    State m_afterIgnored = State::Top;
    bool m_bDirectoryInfo = false;  // the info object being read opens a directory
    bool m_bBracket = false;  // the last event was a bracket's
    KnownKey m_key{};
    Info m_info;
    std::vector<CEntry*> m_stack;  // the directories open at this point of the file
    std::vector<std::uint64_t> m_devices;  // ... and the device of each
    std::vector<std::vector<PendingLink>> m_openLinks;  // ... and the hard links in each
    std::vector<PendingLink> m_closedLinks;  // those of closed directories, as they closed
    std::int64_t m_nFiles = 0;
    std::int64_t m_nDirectories = 0;
    bool m_bDiskSizes = false;  // some item had "dsize"
    std::string m_strProblem;
};

bool CNcduHandler::OnScalar(const Scalar& v)
{
    if (m_nIgnoring > 0)
        return true;
    switch (m_state) {
    case State::Top:
        return Fail("not an ncdu export: it must be an array [1, minor version, {...}, [...]]");
    case State::Major:
        if (!v.integral || v.negative)
            return Fail("not an ncdu export: it must begin with its format version, 1");
        if (v.magnitude != 1)
            return Fail("version " + std::to_string(v.magnitude) + " of the format cannot be read, only version 1");
        m_state = State::Minor;
        return true;
    case State::Minor:
        if (!v.integral || v.negative)
            return Fail("the minor version must be a whole number");
        m_state = State::Metadata;
        return true;
    case State::Metadata:
        return Fail("the metadata object {...} is missing after the version");
    case State::Tree:
    case State::AfterTree:
        return Fail(m_state == State::Tree ? "the directory tree [...] is missing after the metadata"
                                           : "nothing may follow the directory tree");
    case State::DirectoryInfo:
        return Fail("a directory [...] must begin with its info object {...}");
    case State::Items:
        return Fail("a file {...} or a directory [...] was expected");
    case State::Value:
        return OnValue(v);
    default:
        return Fail("unexpected value");
    }
}

bool CNcduHandler::OnValue(const Scalar& v)
{
    m_state = State::Info;
    const auto Wrong = [this](const char* what) { return Fail("\"" + std::string(m_key.key) + "\" " + what); };
    switch (m_key.field) {
    case Field::Name:
        if (v.type != Scalar::Type::String)
            return Wrong("must be a string");
        if (!IsFileName(v.text, m_stack.empty()))
            return Fail(m_stack.empty() ? "the root's \"name\" must be a path" : "\"name\" is not a file name");
        m_info.name.assign(v.text);
        m_info.haveName = true;
        return true;
    case Field::Length:
        if (!v.integral || v.negative || v.magnitude > static_cast<std::uint64_t>(kInt64Max))
            return Wrong("must be a whole number of bytes from 0 to 2^63-1");
        m_info.lengths[m_key.slot] = static_cast<std::int64_t>(v.magnitude);
        m_bDiskSizes = m_bDiskSizes || m_key.slot == 1;
        return true;
    case Field::Count:
        if (!v.integral || v.negative)
            return Wrong("must be a whole number from 0 to 2^64-1");
        m_info.counts[m_key.slot] = v.magnitude;
        m_info.haveDevice = m_info.haveDevice || m_key.slot == 0;
        return true;
    case Field::Time:
        // ncdu writes a time before 1970 as its 64 bits taken unsigned: above 2^63-1 it
        // is that negative time.
        if (!v.integral || (v.negative && v.magnitude > static_cast<std::uint64_t>(kInt64Max) + 1))
            return Wrong("must be a whole number of seconds from -2^63 to 2^63-1");
        m_info.times[m_key.slot] =
            v.negative ? static_cast<std::int64_t>(0 - v.magnitude) : static_cast<std::int64_t>(v.magnitude);
        m_info.knownTimes |= 1u << m_key.slot;
        return true;
    case Field::Flag:
        if (v.type != Scalar::Type::Bool)
            return Wrong("must be true or false");
        m_info.flags[m_key.slot] = v.flag;
        return true;
    case Field::Excluded:
        if (v.type != Scalar::Type::String)
            return Wrong("must be a string");
        // "othfs" is how ncdu 1.18 and older spell it.
        m_info.otherFileSystem = v.text == "otherfs" || v.text == "othfs" || v.text == "kernfs";
        m_info.excluded = v.text == "pattern" || v.text == "frmlnk";
        return true;
    case Field::Ignored:
        return true;
    }
    return true;
}

bool CNcduHandler::StartObject()
{
    m_bBracket = true;
    if (m_nIgnoring > 0) {
        return ++m_nIgnoring <= kMaxIgnoredDepth ? true : Fail("values nested too deeply");
    }
    switch (m_state) {
    case State::Metadata:
        return Ignore(State::Tree);
    case State::DirectoryInfo:
    case State::Items:
        m_bDirectoryInfo = m_state == State::DirectoryInfo;
        m_info = Info();
        m_state = State::Info;
        return true;
    case State::Value:
        // A field this program does not know is skipped whole; a known one is no container.
        return m_key.field == Field::Ignored ? Ignore(State::Info) : OnValue({});
    default:
        return OnScalar({});  // the same complaint as any other misplaced value
    }
}

bool CNcduHandler::Key(const char* s, rapidjson::SizeType n, bool)
{
    m_bBracket = false;
    if (m_nIgnoring > 0)
        return true;
    // The parser's copy of the key is gone by the time its value comes: only a known key,
    // which names itself, is kept.
    const std::string_view key(s, n);
    m_key = {{}, Field::Ignored, 0};
    for (const KnownKey& known : kKeys)
        if (known.key == key)
            m_key = known;
    m_state = State::Value;
    return true;
}

bool CNcduHandler::EndObject(rapidjson::SizeType)
{
    m_bBracket = true;
    if (m_nIgnoring > 0) {
        if (--m_nIgnoring == 0)
            m_state = m_afterIgnored;
        return true;
    }
    return FinishInfo();
}

bool CNcduHandler::StartArray()
{
    m_bBracket = true;
    if (m_nIgnoring > 0) {
        return ++m_nIgnoring <= kMaxIgnoredDepth ? true : Fail("values nested too deeply");
    }
    switch (m_state) {
    case State::Top:
        m_state = State::Major;
        return true;
    case State::Tree:
    case State::Items:
        if (m_stack.size() >= static_cast<std::size_t>(CNcduReader::kMaxDepth))
            return Fail("directories nested deeper than " + std::to_string(CNcduReader::kMaxDepth) + " levels");
        m_state = State::DirectoryInfo;
        return true;
    case State::Value:
        return m_key.field == Field::Ignored ? Ignore(State::Info) : OnValue({});
    default:
        return OnScalar({});
    }
}

bool CNcduHandler::EndArray(rapidjson::SizeType)
{
    m_bBracket = true;
    if (m_nIgnoring > 0) {
        if (--m_nIgnoring == 0)
            m_state = m_afterIgnored;
        return true;
    }
    if (m_state == State::Items)
        return CloseDirectory();
    if (m_state == State::AfterTree) {
        m_state = State::Done;
        return true;
    }
    return Fail(m_state == State::DirectoryInfo ? "a directory [...] must begin with its info object {...}"
                                                : "not an ncdu export: the array ends too soon");
}

bool CNcduHandler::FinishInfo()
{
    const bool root = m_stack.empty();
    if (!m_info.haveName)
        return Fail("an item without a \"name\"");
    CEntry* pParent = root ? nullptr : m_stack.back();
    const std::uint64_t device = m_info.haveDevice ? m_info.counts[0] : (root ? 0 : m_devices.back());
    CEntry* pEntry = nullptr;
    if (m_pStart != nullptr && root) {
        pEntry = m_pStart;
        pEntry->SetUnreadable(m_info.flags[1]);
        m_nStartOwnDisk = m_info.lengths[1];
    } else if (m_pStart != nullptr) {
        pEntry = AddWalkedEntry(m_arena, pParent, m_info, m_bDirectoryInfo, device);
    } else {
        pEntry = AddEntry(m_arena, pParent, m_info, m_bDirectoryInfo);
    }
    if (IsHardLink(m_info, m_bDirectoryInfo) && m_pStart == nullptr)
        m_openLinks.back().push_back({pEntry, {device, m_info.counts[1], m_info.counts[2]}, m_info.lengths[1]});
    if (root)
        m_pRoot = pEntry;
    m_state = State::Items;
    if (m_bDirectoryInfo) {
        if (!root)
            ++m_nDirectories;
        m_stack.push_back(pEntry);
        m_devices.push_back(device);
        m_openLinks.emplace_back();
        return true;
    }
    ++m_nFiles;
    if (m_pStart == nullptr)
        AddTotals(*pParent, *pEntry);
    return true;
}

bool CNcduHandler::CloseDirectory()
{
    CEntry* pDirectory = m_stack.back();
    m_stack.pop_back();
    m_devices.pop_back();
    // Reversed, so that ClaimLinks takes each directory's names in the order of the file.
    m_closedLinks.insert(m_closedLinks.end(), m_openLinks.back().rbegin(), m_openLinks.back().rend());
    m_openLinks.pop_back();
    SortChildrenByName(*pDirectory);
    if (m_stack.empty()) {
        m_state = State::AfterTree;
        ClaimLinks();
        return true;
    }
    if (m_pStart == nullptr)
        AddTotals(*m_stack.back(), *pDirectory);
    return true;
}

// A search meets the names of a file in the order it reads directories: a directory's
// subdirectories are read after it, the last listed first, which is the reverse of the
// order in which the file closes them. The first name met carries the file's blocks, as
// in the search that was saved.
void CNcduHandler::ClaimLinks()
{
    for (auto it = m_closedLinks.rbegin(); it != m_closedLinks.rend(); ++it)
        it->pEntry->SetHardLink(it->id, it->nDisk);
    m_closedLinks.clear();
    m_closedLinks.shrink_to_fit();
}

// The parser stops at the byte it could not take; the handler hears of a value only once its
// last byte has been taken, and that byte is where it is found wrong.
std::string Where(const CJsonInput& input, bool bLastTaken = false)
{
    const std::uint64_t column = input.Column() - (bLastTaken && input.Column() > 1 ? 1 : 0);
    return "line " + std::to_string(input.Line()) + ", column " + std::to_string(column) + ": ";
}

// RapidJSON's "Missing a comma or ']' after an array element." in the style of the rest.
std::string SyntaxText(rapidjson::ParseErrorCode code)
{
    std::string text = rapidjson::GetParseError_En(code);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

}  // namespace

CEntry* CNcduReader::Read(const std::string& strPath, CEntryArena& arena)
{
    m_strError.clear();
    CJsonInput input;
    if (!input.Open(strPath, m_strError))
        return nullptr;
    return Parse(input, arena, nullptr);
}

CEntry* CNcduReader::ReadInto(const CJsonInput::Source& source, CEntryArena& arena, CEntry* pStart)
{
    CJsonInput input;
    input.OpenSource(source);
    return Parse(input, arena, pStart);
}

CEntry* CNcduReader::Parse(CJsonInput& input, CEntryArena& arena, CEntry* pStart)
{
    m_strError.clear();
    m_bCancelled = false;
    m_bDiskSizes = false;
    CNcduHandler handler(arena, pStart);
    input.m_onRefill = [this, &handler] { return !m_onProgress || m_onProgress(handler.GetProgress()); };
    rapidjson::ParseResult result;
    try {
        rapidjson::Reader reader;
        result = reader.Parse<rapidjson::kParseIterativeFlag>(input, handler);
    } catch (const std::bad_alloc&) {
        m_strError = Where(input) + "out of memory";
        if (handler.m_pRoot != nullptr && pStart == nullptr)
            arena.Free(handler.m_pRoot);
        return nullptr;
    }
    if (input.Stopped()) {
        m_bCancelled = true;
        m_strError = "cancelled";
    } else if (!input.ReadError().empty()) {
        m_strError = Where(input) + input.ReadError();
    } else if (result.Code() == rapidjson::kParseErrorTermination) {
        m_strError = Where(input, !handler.AtBracket()) + handler.Problem();
    } else if (result.Code() == rapidjson::kParseErrorDocumentEmpty) {
        m_strError = Where(input) + "the file is empty";
    } else if (result.IsError() && input.AtEnd()) {
        m_strError = Where(input) + "the file ends before the search does: it is cut off";
    } else if (result.IsError()) {
        m_strError = Where(input) + SyntaxText(result.Code());
    } else if (!input.AtEnd() || !handler.Finished()) {
        m_strError = Where(input) + "unexpected bytes after the end of the search";
    }
    if (!m_strError.empty()) {
        // Nothing of a refused file stays behind in the arena.
        if (handler.m_pRoot != nullptr && pStart == nullptr)
            arena.Free(handler.m_pRoot);
        return nullptr;
    }
    m_bDiskSizes = handler.SawDiskSizes();
    m_nStartOwnDisk = handler.m_nStartOwnDisk;
    return handler.m_pRoot;
}
