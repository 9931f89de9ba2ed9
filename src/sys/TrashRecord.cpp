#include "TrashRecord.h"

#include "AtomicFile.h"
#include "HexDigit.h"
#include "LastError.h"
#include "Trash.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
// The record is a few lines per batch; a file far larger is not one Volra wrote.
constexpr std::size_t kMaxRecordBytes = std::size_t{64} << 20;
constexpr int kFields = 8;
constexpr auto kLockWait = std::chrono::seconds(5);
constexpr char kHeader[] = "# Volra: items moved to the trash\n";

void AppendEncoded(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7F && c != '%') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
}

bool Decode(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

template <class Number> bool ParseNumber(std::string_view text, Number& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ParseLine(std::string_view line, CTrashedItem& item)
{
    std::string_view fields[kFields];
    for (int i = 0; i < kFields; ++i) {
        const std::size_t tab = line.find('\t');
        if ((tab == std::string_view::npos) != (i == kFields - 1))
            return false;  // too few fields, or too many
        fields[i] = line.substr(0, tab);
        line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
    }
    return Decode(fields[0], item.trashDir) && Decode(fields[1], item.name) && Decode(fields[2], item.originalPath)
        && !item.trashDir.empty() && !item.name.empty() && item.name.find('/') == std::string::npos && item.name != "."
        && item.name != ".." && ParseNumber(fields[3], item.batch) && ParseNumber(fields[4], item.time)
        && ParseNumber(fields[5], item.size) && ParseNumber(fields[6], item.device)
        && ParseNumber(fields[7], item.inode);
}

// The whole file, or an empty text when it is not there. False with the reason.
bool ReadRecordFile(const std::string& path, std::string& text, std::string& strError)
{
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        strError = ErrnoText(errno);
        return false;
    }
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        text.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (text.size() > kMaxRecordBytes)
            break;
    }
    const int err = n < 0 ? errno : 0;
    ::close(fd);
    if (err != 0)
        strError = ErrnoText(err);
    else if (text.size() > kMaxRecordBytes)
        strError = "the record of trashed items is too large to be Volra's";
    return strError.empty();
}

std::string Folder(const std::string& path) { return path.substr(0, path.rfind('/')); }
}  // namespace

std::string CTrashedItem::TrashedPath() const { return trashDir + "/files/" + name; }
std::string CTrashedItem::InfoPath() const { return trashDir + "/info/" + name + ".trashinfo"; }

std::string FormatTrashRecord(const std::vector<CTrashedItem>& items)
{
    std::string text = kHeader;
    for (const CTrashedItem& item : items) {
        AppendEncoded(text, item.trashDir);
        text += '\t';
        AppendEncoded(text, item.name);
        text += '\t';
        AppendEncoded(text, item.originalPath);
        for (const std::string& number :
             {std::to_string(item.batch), std::to_string(item.time), std::to_string(item.size),
              std::to_string(item.device), std::to_string(item.inode)})
            text += '\t' + number;
        text += '\n';
    }
    return text;
}

std::vector<CTrashedItem> ParseTrashRecord(std::string_view text)
{
    std::vector<CTrashedItem> items;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        CTrashedItem item;
        if (!line.starts_with('#') && ParseLine(line, item))
            items.push_back(std::move(item));
    }
    return items;
}

CTrashRecord::~CTrashRecord()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);  // which lets go of the lock
}

std::string CTrashRecord::Path()
{
    const std::string data = DataHomeDir();
    return data.empty() ? std::string() : data + "/volra/trashed";
}

bool CTrashRecord::Open(std::string& strError)
{
    const std::string path = Path();
    if (path.empty()) {
        strError = "there is no home folder to keep the record of trashed items in";
        return false;
    }
    if (!MakePrivateDirs(Folder(path))) {
        strError = ErrnoText(errno);
        return false;
    }
    // A lock file beside the record: the record itself is replaced by every save.
    m_lockFd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        strError = ErrnoText(errno);
        return false;
    }
    const auto giveUp = std::chrono::steady_clock::now() + kLockWait;
    while (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > giveUp) {
            strError = errno == EWOULDBLOCK ? "another Volra is using the record of trashed items" : ErrnoText(errno);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::string text;
    if (!ReadRecordFile(path, text, strError))
        return false;
    m_items = ParseTrashRecord(text);
    return true;
}

bool CTrashRecord::Save(std::string& strError)
{
    const std::string text = FormatTrashRecord(m_items);
    CAtomicFile file;
    return file.Open(Path(), strError) && file.Write(text.data(), text.size(), strError) && file.Commit(strError);
}

bool CTrashRecord::InTrash(const CTrashedItem& item)
{
    struct stat st {};
    return ::lstat(item.TrashedPath().c_str(), &st) == 0 && static_cast<std::uint64_t>(st.st_dev) == item.device
        && static_cast<std::uint64_t>(st.st_ino) == item.inode;
}
