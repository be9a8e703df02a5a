#include "media/stock/avi_mux_file.h"

#include "media/core/guid.h"

#include <algorithm>
#include <string_view>

namespace camtrove::media {

namespace {

constexpr std::uint32_t AVIF_HASINDEX = 0x10;
constexpr std::uint32_t AVIF_ISINTERLEAVED = 0x100;
constexpr std::uint32_t AVIIF_KEYFRAME = 0x10;
constexpr std::uint8_t AVI_INDEX_OF_INDEXES = 0;
constexpr std::uint8_t AVI_INDEX_OF_CHUNKS = 1;
constexpr std::uint32_t kDeltaFrameBit = 0x80000000u;
constexpr std::size_t kDmlhSize = 248;
// A RIFF size is 32 bits; a segment never comes closer to that than its indexes need.
constexpr std::uint64_t kRiffLimit = 0xFFFFFFFFull - (64ull << 20);

constexpr std::uint32_t FourCC(std::string_view text)
{
    return MakeFourCC(text[0], text[1], text[2], text[3]);
}

// Little-endian RIFF bytes with chunks whose sizes are filled in when they end.
class RiffBytes
{
public:
    void U8(std::uint8_t v) { m_bytes.push_back(v); }
    void U16(std::uint16_t v)
    {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v)
    {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void U64(std::uint64_t v)
    {
        U32(static_cast<std::uint32_t>(v));
        U32(static_cast<std::uint32_t>(v >> 32));
    }
    void Tag(std::uint32_t fourCC) { U32(fourCC); }
    void Bytes(std::span<const std::uint8_t> bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }
    void Zeros(std::size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }

    // Returns the place of the size field.
    std::size_t BeginChunk(std::uint32_t fourCC)
    {
        Tag(fourCC);
        const std::size_t at = m_bytes.size();
        U32(0);
        return at;
    }
    std::size_t BeginList(std::uint32_t listType, std::uint32_t fourCC = FourCC("LIST"))
    {
        const std::size_t at = BeginChunk(fourCC);
        Tag(listType);
        return at;
    }
    void EndChunk(std::size_t sizeAt)
    {
        const auto size = static_cast<std::uint32_t>(m_bytes.size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i)
            m_bytes[sizeAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
        if (size % 2 != 0)
            U8(0);
    }
    void PatchU32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }

    [[nodiscard]] std::size_t Size() const { return m_bytes.size(); }
    [[nodiscard]] std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

std::uint32_t ChunkId(std::size_t stream, const char* suffix)
{
    return MakeFourCC(static_cast<char>('0' + stream / 10), static_cast<char>('0' + stream % 10), suffix[0],
                      suffix[1]);
}

std::uint32_t IndexChunkId(std::size_t stream)
{
    return MakeFourCC('i', 'x', static_cast<char>('0' + stream / 10), static_cast<char>('0' + stream % 10));
}

std::uint32_t Clamp32(std::uint64_t v)
{
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xFFFFFFFFu));
}

} // namespace

AviFileBuilder::AviFileBuilder(std::vector<AviStreamFormat> streams, std::uint64_t segmentSize,
                               AviByteSink& sink)
    : m_segmentSize(std::clamp<std::uint64_t>(segmentSize, 1, kRiffLimit)), m_sink(sink)
{
    for (std::size_t i = 0; i < streams.size(); ++i) {
        Stream stream;
        stream.format = std::move(streams[i]);
        stream.chunkId = ChunkId(i, stream.format.chunkSuffix);
        m_streams.push_back(std::move(stream));
    }
    m_headerSize = BuildHeader().size();
}

std::size_t AviFileBuilder::MainStream() const
{
    for (std::size_t i = 0; i < m_streams.size(); ++i)
        if (m_streams[i].format.kind != AviStreamFormat::Kind::Audio)
            return i;
    return 0;
}

std::vector<std::uint8_t> AviFileBuilder::BuildHeader() const
{
    RiffBytes b;
    const std::size_t riff = b.BeginList(FourCC("AVI "), FourCC("RIFF"));
    const std::size_t hdrl = b.BeginList(FourCC("hdrl"));

    const Stream* main = m_streams.empty() ? nullptr : &m_streams[MainStream()];
    std::uint32_t largest = 0;
    std::uint64_t bytesPerSecond = 0;
    for (const Stream& s : m_streams) {
        largest = std::max(largest, s.largestChunk);
        bytesPerSecond += s.format.kind == AviStreamFormat::Kind::Audio
                              ? s.format.rate
                              : std::uint64_t{s.largestChunk} * s.format.rate / std::max(1u, s.format.scale);
    }

    const std::size_t avih = b.BeginChunk(FourCC("avih"));
    b.U32(main ? Clamp32(std::uint64_t{main->format.scale} * 1000000 / std::max(1u, main->format.rate)) : 0);
    b.U32(Clamp32(bytesPerSecond));
    b.U32(0); // padding granularity
    b.U32((m_hasLegacyIndex ? AVIF_HASINDEX : 0) | AVIF_ISINTERLEAVED);
    b.U32(main ? Clamp32(main->firstSegmentChunks) : 0); // what a reader of the first segment sees
    b.U32(0);                                            // initial frames
    b.U32(static_cast<std::uint32_t>(m_streams.size()));
    b.U32(largest + 8);
    b.U32(main ? static_cast<std::uint32_t>(main->format.width) : 0);
    b.U32(main ? static_cast<std::uint32_t>(main->format.height) : 0);
    b.Zeros(16);
    b.EndChunk(avih);

    for (std::size_t i = 0; i < m_streams.size(); ++i) {
        const Stream& s = m_streams[i];
        const std::size_t strl = b.BeginList(FourCC("strl"));
        const std::size_t strh = b.BeginChunk(FourCC("strh"));
        b.Tag(s.format.fccType);
        b.Tag(s.format.fccHandler);
        b.U32(0); // flags
        b.U16(0); // priority
        b.U16(0); // language
        b.U32(0); // initial frames
        b.U32(s.format.scale);
        b.U32(s.format.rate);
        b.U32(0); // start
        b.U32(Clamp32(s.length));
        b.U32(s.largestChunk);
        b.U32(0xFFFFFFFFu); // quality: default
        b.U32(s.format.sampleSize);
        b.U16(0);
        b.U16(0);
        b.U16(static_cast<std::uint16_t>(s.format.width));
        b.U16(static_cast<std::uint16_t>(s.format.height));
        b.EndChunk(strh);

        const std::size_t strf = b.BeginChunk(FourCC("strf"));
        b.Bytes(s.format.strf);
        b.EndChunk(strf);

        const std::size_t indx = b.BeginChunk(FourCC("indx"));
        b.U16(4); // longs per entry
        b.U8(0);  // sub type
        b.U8(AVI_INDEX_OF_INDEXES);
        b.U32(static_cast<std::uint32_t>(s.superIndex.size()));
        b.Tag(s.chunkId);
        b.Zeros(12);
        for (const SuperEntry& e : s.superIndex) {
            b.U64(e.position);
            b.U32(e.size);
            b.U32(e.duration);
        }
        b.Zeros(16 * (kAviSuperIndexEntries - s.superIndex.size()));
        b.EndChunk(indx);
        b.EndChunk(strl);
    }

    const std::size_t odml = b.BeginList(FourCC("odml"));
    const std::size_t dmlh = b.BeginChunk(FourCC("dmlh"));
    b.U32(main ? Clamp32(main->chunks) : 0);
    b.Zeros(kDmlhSize - 4);
    b.EndChunk(dmlh);
    b.EndChunk(odml);
    b.EndChunk(hdrl);

    std::vector<std::uint8_t> bytes = b.Take();
    // The RIFF size of the first segment, known once it is closed.
    for (int i = 0; i < 4; ++i)
        bytes[riff + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(m_firstRiffSize >> (8 * i));
    return bytes;
}

std::vector<std::uint8_t> AviFileBuilder::BuildStandardIndex(std::size_t stream) const
{
    const Stream& s = m_streams[stream];
    RiffBytes b;
    const std::size_t chunk = b.BeginChunk(IndexChunkId(stream));
    b.U16(2); // longs per entry
    b.U8(0);
    b.U8(AVI_INDEX_OF_CHUNKS);
    b.U32(static_cast<std::uint32_t>(s.segmentEntries.size()));
    b.Tag(s.chunkId);
    b.U64(m_moviStart); // base offset
    b.U32(0);
    for (const IndexEntry& e : s.segmentEntries) {
        b.U32(static_cast<std::uint32_t>(e.dataPosition - m_moviStart));
        b.U32(e.size | (e.keyFrame ? 0 : kDeltaFrameBit));
    }
    b.EndChunk(chunk);
    return b.Take();
}

std::vector<std::uint8_t> AviFileBuilder::BuildLegacyIndex() const
{
    RiffBytes b;
    const std::size_t chunk = b.BeginChunk(FourCC("idx1"));
    for (const LegacyEntry& e : m_legacyIndex) {
        b.U32(e.chunkId);
        b.U32(e.flags);
        b.U32(e.offset);
        b.U32(e.size);
    }
    b.EndChunk(chunk);
    return b.Take();
}

HRESULT AviFileBuilder::Fail(HRESULT hr)
{
    if (Succeeded(m_failure))
        m_failure = hr;
    return hr;
}

HRESULT AviFileBuilder::WriteU32(std::uint64_t position, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 24)};
    return m_sink.WriteAt(position, bytes);
}

HRESULT AviFileBuilder::Start()
{
    const std::vector<std::uint8_t> header = BuildHeader();
    RiffBytes movi;
    movi.Tag(FourCC("LIST"));
    movi.U32(4);
    movi.Tag(FourCC("movi"));
    const std::vector<std::uint8_t> moviBytes = movi.Take();
    HRESULT hr = m_sink.WriteAt(0, header);
    if (Succeeded(hr))
        hr = m_sink.WriteAt(header.size(), moviBytes);
    if (Failed(hr))
        return Fail(hr);
    m_riffStart = 0;
    m_moviStart = header.size();
    m_position = m_moviStart + moviBytes.size();
    return S_OK;
}

HRESULT AviFileBuilder::AddChunk(std::size_t stream, std::span<const std::uint8_t> data, bool keyFrame)
{
    if (Failed(m_failure))
        return m_failure;
    if (m_finished || stream >= m_streams.size())
        return E_UNEXPECTED;
    Stream& s = m_streams[stream];
    const std::uint64_t chunkBytes = 8 + data.size() + (data.size() & 1);
    if (data.size() > 0x7FFFFFFFu)
        return Fail(E_INVALIDARG);

    const bool superIndexFull = std::any_of(m_streams.begin(), m_streams.end(), [](const Stream& t) {
        return t.superIndex.size() + 1 >= kAviSuperIndexEntries;
    });
    const std::uint64_t grown = m_position + chunkBytes - m_riffStart;
    if (m_segmentHasChunks && grown > m_segmentSize && !superIndexFull) {
        const HRESULT hr = OpenNextSegment();
        if (Failed(hr))
            return hr;
    } else if (m_position + chunkBytes - m_riffStart > kRiffLimit) {
        return Fail(VFW_E_BUFFER_OVERFLOW); // every super index entry is taken
    }

    if (s.format.kind == AviStreamFormat::Kind::Interleaved && s.chunks == 0)
        AdoptDvFrame(s.format, data);

    RiffBytes header;
    header.Tag(s.chunkId);
    header.U32(static_cast<std::uint32_t>(data.size()));
    const std::vector<std::uint8_t> headerBytes = header.Take();
    const HRESULT hr = m_sink.WriteChunk(m_position, headerBytes, data, (data.size() & 1) != 0);
    if (Failed(hr))
        return Fail(hr);

    const auto size = static_cast<std::uint32_t>(data.size());
    const bool key = keyFrame || s.format.allKeyFrames;
    s.segmentEntries.push_back({m_position + 8, size, key});
    if (m_segmentNumber == 0)
        m_legacyIndex.push_back({s.chunkId, key ? AVIIF_KEYFRAME : 0,
                                 static_cast<std::uint32_t>(m_position - (m_moviStart + 8)), size});
    const std::uint64_t units =
        s.format.kind == AviStreamFormat::Kind::Audio ? size / s.format.blockAlign : 1;
    s.length += units;
    s.segmentLength += units;
    ++s.chunks;
    if (m_segmentNumber == 0)
        ++s.firstSegmentChunks;
    s.largestChunk = std::max(s.largestChunk, size);
    m_position += chunkBytes;
    m_segmentHasChunks = true;
    return S_OK;
}

HRESULT AviFileBuilder::CloseSegment()
{
    const std::uint64_t dataEnd = m_position;
    std::uint64_t position = dataEnd;
    std::vector<std::size_t> indexed;
    HRESULT indexResult = S_OK;
    for (std::size_t i = 0; i < m_streams.size() && Succeeded(indexResult); ++i) {
        Stream& s = m_streams[i];
        if (s.segmentEntries.empty())
            continue;
        const std::vector<std::uint8_t> ix = BuildStandardIndex(i);
        indexResult = m_sink.WriteAt(position, ix);
        if (Succeeded(indexResult)) {
            s.superIndex.push_back(
                {position, static_cast<std::uint32_t>(ix.size()), Clamp32(s.segmentLength)});
            indexed.push_back(i);
            position += ix.size();
        }
    }
    const std::uint64_t moviEnd = position;
    if (Succeeded(indexResult) && m_segmentNumber == 0) {
        const std::vector<std::uint8_t> idx1 = BuildLegacyIndex();
        indexResult = m_sink.WriteAt(position, idx1);
        if (Succeeded(indexResult)) {
            position += idx1.size();
            m_hasLegacyIndex = true;
        }
    }
    if (Failed(indexResult)) {
        // No room for this segment's indexes: the data stays, reached by a reader's scan.
        (void)Fail(indexResult);
        for (std::size_t i : indexed)
            m_streams[i].superIndex.pop_back();
        position = dataEnd;
        m_hasLegacyIndex = false;
    }
    const std::uint64_t moviSize = (Failed(indexResult) ? dataEnd : moviEnd) - (m_moviStart + 8);
    const std::uint64_t riffSize = position - m_riffStart - 8;
    HRESULT hr = WriteU32(m_moviStart + 4, Clamp32(moviSize));
    if (Succeeded(hr))
        hr = WriteU32(m_riffStart + 4, Clamp32(riffSize));
    if (m_segmentNumber == 0)
        m_firstRiffSize = Clamp32(riffSize);
    for (Stream& s : m_streams) {
        s.segmentEntries.clear();
        s.segmentLength = 0;
    }
    m_position = position;
    return Failed(indexResult) ? indexResult : hr;
}

HRESULT AviFileBuilder::OpenNextSegment()
{
    HRESULT hr = CloseSegment();
    if (Failed(hr))
        return Fail(hr);
    RiffBytes b;
    b.Tag(FourCC("RIFF"));
    b.U32(4 + 12);
    b.Tag(FourCC("AVIX"));
    b.Tag(FourCC("LIST"));
    b.U32(4);
    b.Tag(FourCC("movi"));
    const std::vector<std::uint8_t> bytes = b.Take();
    hr = m_sink.WriteAt(m_position, bytes);
    if (Failed(hr))
        return Fail(hr);
    m_riffStart = m_position;
    m_moviStart = m_position + 12;
    m_position += bytes.size();
    ++m_segmentNumber;
    m_segmentHasChunks = false;
    return S_OK;
}

HRESULT AviFileBuilder::Finish()
{
    if (m_finished)
        return m_failure;
    m_finished = true;
    // Whatever a failed write left after the last whole chunk goes first, so the indexes have
    // that room again.
    if (Failed(m_failure))
        (void)m_sink.Truncate(m_position);
    const std::uint64_t beforeClose = m_position;
    const HRESULT closed = CloseSegment();
    if (Failed(closed) && Succeeded(m_failure))
        m_failure = closed;
    const HRESULT written = m_sink.WriteAt(0, BuildHeader());
    if (Failed(written))
        (void)Fail(written);
    const HRESULT cut = m_sink.Truncate(Failed(closed) ? beforeClose : m_position);
    (void)cut; // a sink that cannot cut has written nothing past the end
    return m_failure;
}

} // namespace camtrove::media
