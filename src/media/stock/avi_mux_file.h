#pragma once
// The layout of an AVI file as the multiplexer writes it, apart from pins and threads:
//
//   RIFF "AVI "  LIST hdrl (avih, one LIST strl per stream with strh, strf and the super index
//                "indx", LIST odml with dmlh)  LIST movi (data chunks, then one "ixNN" standard
//                index per stream)  idx1
//   RIFF "AVIX"  LIST movi (data chunks, ixNN) ...
//
// A new RIFF segment starts when the current one would pass the segment size, so files grow past
// 1, 2 and 4 GiB and stay one file. The legacy idx1 covers the first segment, which is what an old
// reader sees; the super indexes reach every segment. The header is written with room for its
// final contents at the start and completed by Finish. After a failed write the file is completed
// up to the last whole chunk: whatever index still fits is written, and the sizes always are.

#include "media/core/media_results.h"
#include "media/stock/avi_mux_stream.h"

#include <cstdint>
#include <span>
#include <vector>

namespace camtrove::media {

// Where the builder's bytes go.
class AviByteSink
{
public:
    virtual ~AviByteSink() = default;
    // A data chunk: its 8-byte header, the payload and a pad byte when the payload is odd.
    [[nodiscard]] virtual HRESULT WriteChunk(std::uint64_t position, std::span<const std::uint8_t> header,
                                             std::span<const std::uint8_t> payload, bool pad) = 0;
    // Headers and indexes.
    [[nodiscard]] virtual HRESULT WriteAt(std::uint64_t position, std::span<const std::uint8_t> bytes) = 0;
    [[nodiscard]] virtual HRESULT Truncate(std::uint64_t size) = 0;
};

inline constexpr std::uint64_t kDefaultAviSegmentSize = 1ull << 30;
// Room in each stream's super index: one entry per segment.
inline constexpr std::uint32_t kAviSuperIndexEntries = 256;

class AviFileBuilder
{
public:
    AviFileBuilder(std::vector<AviStreamFormat> streams, std::uint64_t segmentSize, AviByteSink& sink);

    // Writes the provisional header and opens the first movi list.
    [[nodiscard]] HRESULT Start();
    // Appends one chunk of the stream; after a failure every call returns that failure.
    [[nodiscard]] HRESULT AddChunk(std::size_t stream, std::span<const std::uint8_t> data, bool keyFrame);
    // Writes the indexes and the final header; the first error of the whole file, or S_OK.
    [[nodiscard]] HRESULT Finish();

    [[nodiscard]] HRESULT Failure() const { return m_failure; }
    [[nodiscard]] std::uint64_t Chunks(std::size_t stream) const { return m_streams[stream].chunks; }
    [[nodiscard]] int Segments() const { return m_segmentNumber + 1; }

private:
    struct IndexEntry
    {
        std::uint64_t dataPosition;
        std::uint32_t size;
        bool keyFrame;
    };
    struct SuperEntry
    {
        std::uint64_t position;
        std::uint32_t size;
        std::uint32_t duration;
    };
    struct LegacyEntry
    {
        std::uint32_t chunkId;
        std::uint32_t flags;
        std::uint32_t offset;
        std::uint32_t size;
    };
    struct Stream
    {
        AviStreamFormat format;
        std::uint32_t chunkId = 0;
        std::uint64_t chunks = 0;
        std::uint64_t length = 0; // in the stream's units: frames, or audio blocks
        std::uint64_t firstSegmentChunks = 0;
        std::uint32_t largestChunk = 0;
        std::vector<IndexEntry> segmentEntries;
        std::uint64_t segmentLength = 0;
        std::vector<SuperEntry> superIndex;
    };

    [[nodiscard]] std::vector<std::uint8_t> BuildHeader() const;
    [[nodiscard]] std::vector<std::uint8_t> BuildStandardIndex(std::size_t stream) const;
    [[nodiscard]] std::vector<std::uint8_t> BuildLegacyIndex() const;
    [[nodiscard]] std::size_t MainStream() const;
    // Ends the current segment: its standard indexes, the legacy index of the first, the sizes.
    [[nodiscard]] HRESULT CloseSegment();
    [[nodiscard]] HRESULT OpenNextSegment();
    [[nodiscard]] HRESULT WriteU32(std::uint64_t position, std::uint32_t value);
    HRESULT Fail(HRESULT hr);

    std::vector<Stream> m_streams;
    std::uint64_t m_segmentSize;
    AviByteSink& m_sink;
    std::size_t m_headerSize = 0;
    std::uint64_t m_position = 0; // the end of the last whole chunk written
    std::uint64_t m_riffStart = 0;
    std::uint64_t m_moviStart = 0; // the "LIST" of the current movi list
    int m_segmentNumber = 0;
    bool m_segmentHasChunks = false;
    std::uint32_t m_firstRiffSize = 0;
    std::vector<LegacyEntry> m_legacyIndex;
    bool m_hasLegacyIndex = false;
    bool m_finished = false;
    HRESULT m_failure = S_OK;
};

} // namespace camtrove::media
