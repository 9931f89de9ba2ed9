#pragma once
#include "ItemSink.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Writes a search as Volra's own listing (ListingFormat), the stream "volra --save FOLDER -"
// sends an SSH search that asks for it: what it writes goes to the sink in pieces of about
// nPieceBytes, the format's mark first.
class CListingWriter final : public CItemSink {
public:
    // Takes the next bytes; false with the reason when they cannot be written.
    using Sink = std::function<bool(std::string_view bytes, std::string& strError)>;

    explicit CListingWriter(Sink sink, std::size_t nPieceBytes = std::size_t{64} << 10);
    // A sink that writes to the descriptor fd (standard output, say), all of each piece.
    static Sink ToDescriptor(int fd);

    bool PutItem(const CNcduItem& item, std::uint32_t nDepth, std::string& strError) override;
    // The end mark, and everything still held goes out.
    bool EndStream(std::string& strError) override;

private:
    Sink m_sink;
    std::size_t m_nPieceBytes;
    std::string m_out;  // what has not gone to the sink yet
};
