#include "JsonInput.h"

#include "sys/LastError.h"

#include <algorithm>
#include <cerrno>
#include <zlib.h>

namespace {
constexpr unsigned kPieceBytes = 256u << 10;

gzFile File(void* gz) { return static_cast<gzFile>(gz); }

std::string ZlibError(gzFile gz)
{
    int code = Z_OK;
    const char* text = gzerror(gz, &code);
    switch (code) {
    case Z_BUF_ERROR:
        return "the compressed data ends early: the file is cut off";
    case Z_DATA_ERROR:
        return "the compressed data is damaged";
    case Z_MEM_ERROR:
        return "out of memory";
    case Z_ERRNO:
        return ErrnoText(errno);
    default:
        return text != nullptr ? text : "read error";
    }
}
}  // namespace

CJsonInput::CJsonInput() : m_buffer(kPieceBytes) { m_pCur = m_pEnd = m_buffer.data(); }

CJsonInput::~CJsonInput()
{
    if (m_gz != nullptr)
        gzclose(File(m_gz));
}

bool CJsonInput::Open(const std::string& strPath, std::string& strError)
{
    errno = 0;
    gzFile gz = gzopen(strPath.c_str(), "rbe");
    if (gz == nullptr) {
        strError = ErrnoText(errno != 0 ? errno : ENOMEM);
        return false;
    }
    gzbuffer(gz, kPieceBytes);
    m_gz = gz;
    Refill();  // a read error shows as the parser's first byte
    return true;
}

void CJsonInput::OpenSource(Source source)
{
    m_source = std::move(source);
    Refill();
}

void CJsonInput::CountLines(const char* pFrom, const char* pTo)
{
    m_nLines += static_cast<std::uint64_t>(std::count(pFrom, pTo, '\n'));
    const auto last = std::find(std::make_reverse_iterator(pTo), std::make_reverse_iterator(pFrom), '\n');
    if (last.base() != pFrom)
        m_nLastLineEnd = m_nBase + static_cast<std::size_t>(last.base() - m_buffer.data());
}

void CJsonInput::Refill()
{
    if (m_bEof)
        return;
    CountLines(m_buffer.data(), m_pEnd);
    m_nBase += static_cast<std::size_t>(m_pEnd - m_buffer.data());
    m_pCur = m_pEnd = m_buffer.data();
    if (m_onRefill && !m_onRefill()) {
        m_bStopped = m_bEof = true;
        return;
    }
    if (m_source) {
        const std::ptrdiff_t got = m_source(m_buffer.data(), kPieceBytes, m_strReadError);
        if (got > 0)
            m_pEnd = m_buffer.data() + got;
        else
            m_bEof = true;
        if (got < 0 && m_strReadError.empty())
            m_strReadError = "read error";
        return;
    }
    const int n = gzread(File(m_gz), m_buffer.data(), kPieceBytes);
    if (n > 0) {
        m_pEnd = m_buffer.data() + n;
        return;
    }
    m_bEof = true;
    int code = Z_OK;
    gzerror(File(m_gz), &code);
    if (n < 0 || (code != Z_OK && code != Z_STREAM_END))
        m_strReadError = ZlibError(File(m_gz));
}

std::uint64_t CJsonInput::Line() const
{
    return m_nLines + static_cast<std::uint64_t>(std::count(m_buffer.data(), m_pCur, '\n')) + 1;
}

std::uint64_t CJsonInput::Column() const
{
    const char* pBegin = m_buffer.data();
    const auto last = std::find(std::make_reverse_iterator(m_pCur), std::make_reverse_iterator(pBegin), '\n');
    const std::uint64_t lineStart =
        last.base() != pBegin ? m_nBase + static_cast<std::size_t>(last.base() - pBegin) : m_nLastLineEnd;
    return Tell() - lineStart + 1;
}
