#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The bytes of a file as a JSON parser takes them, one at a time, read in large pieces:
// plain or gzip-compressed alike (zlib tells them apart by their first bytes). Files of
// any size stream through a fixed buffer. The line and column of the byte being read are
// worked out only when asked for (an error to report): counting them at every byte would
// cost more than the parsing.
//
// It meets the input stream concept of RapidJSON's reader: Peek, Take and Tell; the end
// of the data, a read error and a stop asked for by the refill hook all read as '\0'.
class CJsonInput {
public:
    using Ch = char;

    CJsonInput();
    ~CJsonInput();
    CJsonInput(const CJsonInput&) = delete;
    CJsonInput& operator=(const CJsonInput&) = delete;

    // False with the system's reason when the file cannot be opened; one that cannot be
    // read reports it as ReadError, at line 1, column 1.
    bool Open(const std::string& strPath, std::string& strError);
    // Reads plain JSON from a source of the caller's instead of a file (a pipe): it fills
    // up to nSize bytes and returns how many, 0 at the end, or -1 with the reason.
    using Source = std::function<std::ptrdiff_t(char* pBuffer, std::size_t nSize, std::string& strError)>;
    void OpenSource(Source source);
    // Called after every piece read; returning false ends the data there (a cancel).
    std::function<bool()> m_onRefill;

    Ch Peek() const { return m_pCur != m_pEnd ? *m_pCur : '\0'; }
    Ch Take()
    {
        if (m_pCur == m_pEnd)
            return '\0';
        const Ch c = *m_pCur++;
        if (m_pCur == m_pEnd)
            Refill();
        return c;
    }
    std::size_t Tell() const { return m_nBase + static_cast<std::size_t>(m_pCur - m_buffer.data()); }

    // Writing is not part of reading; the parser never asks for it without in-situ parsing.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    std::size_t PutEnd(Ch*) { return 0; }

    // Where the next byte stands: line and column from 1, the column counted in bytes.
    std::uint64_t Line() const;
    std::uint64_t Column() const;
    // Every byte of the file has been read (a '\0' from Peek can also be a byte of the file).
    bool AtEnd() const { return m_pCur == m_pEnd && m_bEof; }
    bool Stopped() const { return m_bStopped; }
    // Not empty when reading failed (a damaged or cut-off compressed file, a disk error).
    const std::string& ReadError() const { return m_strReadError; }

private:
    void Refill();
    void CountLines(const char* pFrom, const char* pTo);

    void* m_gz = nullptr;  // gzFile; zlib's header stays out of this one
    Source m_source;  // instead of m_gz
    std::vector<char> m_buffer;
    const char* m_pCur = nullptr;
    const char* m_pEnd = nullptr;
    std::size_t m_nBase = 0;  // offset of the buffer's first byte in the file
    std::uint64_t m_nLines = 0;  // line ends before the buffer
    std::uint64_t m_nLastLineEnd = 0;  // offset of the last one plus 1; 0 for none yet
    bool m_bEof = false;
    bool m_bStopped = false;
    std::string m_strReadError;
};
