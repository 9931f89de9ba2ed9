#include "EntryChunks.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

CEntryChunks::CEntryChunks(unsigned nPositionBits, unsigned nUnitBits)
    : m_nPositionBits(nPositionBits), m_nUnitBits(nUnitBits), m_pTable(NewTable(TableCount()))
{}

CEntryChunks::~CEntryChunks()
{
    for (std::uint32_t n = 1; n < m_nNext; ++n)
        std::free(m_pTable[n]);
    FreeTable(m_pTable, TableCount());
}

char** CEntryChunks::NewTable(std::size_t nCount)
{
    void* p = ::mmap(nullptr, nCount * sizeof(char*), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
#if defined(__SANITIZE_ADDRESS__)
    // The chunks are held from here alone: the leak checker must look here for them as
    // it looks through the heap.
    __lsan_register_root_region(p, nCount * sizeof(char*));
#endif
    return static_cast<char**>(p);
}

void CEntryChunks::FreeTable(char** pTable, std::size_t nCount)
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan_unregister_root_region(pTable, nCount * sizeof(char*));
#endif
    ::munmap(pTable, nCount * sizeof(char*));
}

std::uint32_t CEntryChunks::NewNumber()
{
    if (!m_numbersFreed.empty()) {
        const std::uint32_t n = m_numbersFreed.back();
        m_numbersFreed.pop_back();
        return n;
    }
    if (m_nNext == std::size_t{1} << (32 - m_nPositionBits))
        throw std::bad_alloc();
    m_aloneBytes.resize(m_nNext + 1);
    m_numbersFreed.reserve(m_nNext);  // so that giving back never needs memory
    return m_nNext++;
}

std::uint32_t CEntryChunks::Take(std::size_t nBytes)
{
    const bool bAlone = IsAlone(nBytes);
    if (bAlone || m_nCurrent == 0 || m_nCurrentUsed + nBytes > ChunkBytes()) {
        const std::size_t nAllocated = bAlone ? nBytes : ChunkBytes();
        void* p = std::malloc(nAllocated);
        if (p == nullptr)
            throw std::bad_alloc();
        std::uint32_t n = 0;
        try {
            n = NewNumber();
        } catch (const std::bad_alloc&) {
            std::free(p);
            throw;
        }
        m_pTable[n] = static_cast<char*>(p);
        m_aloneBytes[n] = bAlone ? nBytes : 0;
        m_nBytes += nAllocated;
        if (bAlone)
            return n << m_nPositionBits;
        m_nCurrent = n;
        m_nCurrentUsed = 0;
    }
    const auto nPosition = static_cast<std::uint32_t>(m_nCurrentUsed >> m_nUnitBits);
    m_nCurrentUsed += nBytes;
    return m_nCurrent << m_nPositionBits | nPosition;
}

void CEntryChunks::GiveBackAlone(std::uint32_t ref)
{
    const std::uint32_t n = ref >> m_nPositionBits;
    std::free(m_pTable[n]);
    m_pTable[n] = nullptr;
    m_nBytes -= m_aloneBytes[n];
    m_aloneBytes[n] = 0;
    m_numbersFreed.push_back(n);
}
