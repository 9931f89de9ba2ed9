#include "NcduWriter.h"

#include "SearchSnapshot.h"
#include "sys/LastError.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <ctime>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {
constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

gzFile File(void* gz) { return static_cast<gzFile>(gz); }

template <typename Number> void AppendNumber(std::string& out, Number n)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    out.append(digits, end);
}

// JSON wants '"', '\' and the control characters escaped; every other byte goes out as it
// is, so that a name that is not UTF-8 comes back byte for byte.
void AppendName(std::string& out, std::string_view name)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && c != '"' && c != '\\') {
            out += c;
            continue;
        }
        out += '\\';
        switch (c) {
        case '"':
            out += '"';
            break;
        case '\\':
            out += '\\';
            break;
        case '\n':
            out += 'n';
            break;
        case '\t':
            out += 't';
            break;
        case '\r':
            out += 'r';
            break;
        default:
            out += "u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    out += '"';
}

template <typename Number> void AppendField(std::string& out, const char* key, Number value)
{
    out += key;
    AppendNumber(out, value);
}

// One info object. Zero is what a reader assumes for a missing number, so zeros are left
// out; ncdu refuses a negative "mtime", so such a time is left out as well.
void AppendInfo(std::string& out, const CNcduItem& item)
{
    out += "{\"name\":";
    AppendName(out, item.name);
    if (!item.bDirectory && item.nLength != 0)
        AppendField(out, ",\"asize\":", item.nLength);
    if (item.nDiskSize != 0)
        AppendField(out, ",\"dsize\":", item.nDiskSize);
    if (item.bOwnDevice)
        AppendField(out, ",\"dev\":", item.nDevice);
    if (item.bHardLink) {
        AppendField(out, ",\"ino\":", item.nInode);
        out += ",\"hlnkc\":true";
        AppendField(out, ",\"nlink\":", item.nLinks);
    }
    if (item.bUnreadable)
        out += ",\"read_error\":true";
    if (item.nModified > 0)
        AppendField(out, ",\"mtime\":", item.nModified);
    if (item.nCreated != 0)
        AppendField(out, ",\"created\":", item.nCreated);
    if (item.nAccessed != 0)
        AppendField(out, ",\"atime\":", item.nAccessed);
    if (item.bExcluded)
        out += ",\"excluded\":\"pattern\"";
    else if (item.bDirectory && item.bMountPoint)
        out += ",\"excluded\":\"otherfs\"";
    out += '}';
}

// Children are kept sorted by name, and each one's colour is its place in the directory's
// listing, counted modulo 8; the reader colours by place in the file. Dealing the children
// out by colour, in name order within a colour, gives every one a place of its own colour
// again, as long as none was deleted since the search.
std::vector<const CEntry*> FileOrder(const CEntry& directory)
{
    std::vector<const CEntry*> byColour(directory.GetChildren().size());
    std::array<std::size_t, 9> start{};
    for (const auto& child : directory.GetChildren())
        ++start[static_cast<std::size_t>(child->GetColour() % 8) + 1];
    for (std::size_t k = 1; k < start.size(); ++k)
        start[k] += start[k - 1];
    std::array<std::size_t, 8> next{};
    std::copy(start.begin(), start.begin() + 8, next.begin());
    for (const auto& child : directory.GetChildren())
        byColour[next[static_cast<std::size_t>(child->GetColour() % 8)]++] = &*child;
    std::copy(start.begin(), start.begin() + 8, next.begin());
    std::vector<const CEntry*> order;
    order.reserve(byColour.size());
    for (std::size_t place = 0; place < byColour.size(); ++place) {
        std::size_t k = place % 8;
        for (std::size_t tries = 0; next[k] == start[k + 1] && tries < 8; ++tries)
            k = (k + 1) % 8;
        order.push_back(byColour[next[k]++]);
    }
    return order;
}

bool EndsWith(const std::string& s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}
}  // namespace

CNcduWriter::CNcduWriter() : m_nFlushBytes(kFlushBytes) {}

CNcduWriter::~CNcduWriter() { Discard(); }

bool CNcduWriter::Open(const std::string& strPath, std::string& strError, int nLevel)
{
    if (strPath == "-")
        m_file.OpenDescriptor(STDOUT_FILENO);
    else if (!m_file.Open(strPath, strError))
        return false;
    if (EndsWith(strPath, ".gz")) {
        // The compressor closes a descriptor of its own; the file's stays for the sync.
        const int fd = ::fcntl(m_file.Descriptor(), F_DUPFD_CLOEXEC, 0);
        char mode[4] = {'w', 'b', 0, 0};
        if (nLevel >= 0 && nLevel <= 9)
            mode[2] = static_cast<char>('0' + nLevel);
        m_gz = fd >= 0 ? gzdopen(fd, mode) : nullptr;
        if (m_gz == nullptr) {
            const int err = fd < 0 ? errno : ENOMEM;
            if (fd >= 0)
                ::close(fd);
            strError = ErrnoText(err);
            Discard();
            return false;
        }
    }
    m_out.reserve(kFlushBytes + 8192);
    return true;
}

CNcduItem CNcduWriter::ItemOf(const CEntry& e)
{
    CNcduItem item;
    item.name = e.GetName();
    item.bDirectory = e.IsDirectory() != FALSE;
    item.bUnreadable = e.IsUnreadable();
    item.bMountPoint = e.IsMountPoint();
    item.bExcluded = e.IsExcluded();
    item.nLength = e.GetLength();
    item.nDiskSize = e.GetItemDiskSize();
    // Where a file system begins: a file's inode is not kept, its device is.
    if (e.StartsDevice() && (item.nDevice = e.GetDevice()) != 0)
        item.bOwnDevice = true;
    if (const CHardLinkId* pLink = e.GetHardLink()) {
        item.bHardLink = true;
        item.nInode = pLink->inode;
        item.nLinks = pLink->links;
    }
    item.nModified = e.GetModifiedTime().GetTime();
    item.nCreated = e.GetCreatedTime().GetTime();
    item.nAccessed = e.GetAccessedTime().GetTime();
    return item;
}

bool CNcduWriter::VisitInFileOrder(const CEntry& root, const std::function<bool(const CEntry&, std::uint32_t)>& visit)
{
    if (!visit(root, 0))
        return false;
    // Depth first with a stack of our own: trees may be deeper than the call stack.
    struct Level {
        std::vector<const CEntry*> children;
        std::size_t next = 0;
    };
    std::vector<Level> stack;
    stack.push_back({FileOrder(root)});
    while (!stack.empty()) {
        if (stack.back().next == stack.back().children.size()) {
            stack.pop_back();
            continue;
        }
        const CEntry& e = *stack.back().children[stack.back().next++];
        if (!visit(e, static_cast<std::uint32_t>(stack.size())))
            return false;
        if (e.IsDirectory())
            stack.push_back({FileOrder(e)});
    }
    return true;
}

void CNcduWriter::Begin(std::int64_t nTimestamp)
{
    m_out += "[1,2,{\"progname\":\"volra\",\"progver\":\"";
    m_out += VOLRA_VERSION_TEXT;
    AppendField(m_out, "\",\"timestamp\":", nTimestamp);
    m_out += "},\n";
    m_nOpen = 0;
}

void CNcduWriter::BeginStream(std::size_t nPieceBytes)
{
    m_nFlushBytes = nPieceBytes;
    Begin(static_cast<std::int64_t>(std::time(nullptr)));
}

bool CNcduWriter::Put(const CNcduItem& item, std::uint32_t nDepth, std::string& strError)
{
    for (; m_nOpen > nDepth; --m_nOpen)
        m_out += ']';
    if (nDepth > 0)
        m_out += ",\n";
    // The root is a directory whatever it says: the format has no other kind of root.
    if (item.bDirectory || nDepth == 0) {
        m_out += '[';
        m_nOpen = nDepth + 1;
    }
    AppendInfo(m_out, item);
    if (m_out.size() < m_nFlushBytes)
        return true;
    if (m_pCancel != nullptr && m_pCancel->load(std::memory_order_relaxed)) {
        strError = "cancelled";
        Discard();
        return false;
    }
    return Flush(strError);
}

bool CNcduWriter::End(std::string& strError)
{
    for (; m_nOpen > 0; --m_nOpen)
        m_out += ']';
    m_out += "]\n";
    return Flush(strError) && Finish(strError);
}

bool CNcduWriter::Write(const CEntry& root, std::string& strError)
{
    Begin(static_cast<std::int64_t>(std::time(nullptr)));
    const bool bWritten = VisitInFileOrder(
        root, [this, &strError](const CEntry& e, std::uint32_t nDepth) { return Put(ItemOf(e), nDepth, strError); });
    return bWritten && End(strError);
}

bool CNcduWriter::Write(const CSearchSnapshot& snapshot, std::string& strError, const std::atomic<bool>* pCancel)
{
    m_pCancel = pCancel;
    Begin(snapshot.GetFinished());
    CSearchSnapshot::CReader reader(snapshot);
    CNcduItem item;
    std::uint32_t nDepth = 0;
    while (reader.Next(item, nDepth))
        if (!Put(item, nDepth, strError))
            return false;
    return End(strError);
}

bool CNcduWriter::Flush(std::string& strError)
{
    if (m_gz != nullptr) {
        if (!m_out.empty() && gzwrite(File(m_gz), m_out.data(), static_cast<unsigned>(m_out.size())) == 0) {
            int code = Z_OK;
            const char* text = gzerror(File(m_gz), &code);
            strError = code == Z_ERRNO ? ErrnoText(errno) : text;
            return false;
        }
        m_out.clear();
        return true;
    }
    if (!m_file.Write(m_out.data(), m_out.size(), strError))
        return false;
    m_out.clear();
    return true;
}

bool CNcduWriter::Finish(std::string& strError)
{
    if (m_gz != nullptr) {
        const int code = gzclose(File(m_gz));
        m_gz = nullptr;
        if (code != Z_OK) {
            strError = ErrnoText(code == Z_ERRNO && errno != 0 ? errno : EIO);
            Discard();
            return false;
        }
    }
    return m_file.Commit(strError);
}

void CNcduWriter::Discard()
{
    if (m_gz != nullptr)
        gzclose(File(m_gz));
    m_gz = nullptr;
    m_file.Discard();
}
