#pragma once
// Tct_WaveDest: turns an uncompressed audio stream into the bytes of a RIFF WAVE file for the file
// writer behind it. Each buffer leaves stamped with its byte position in the file, past the room
// kept for the header; when streaming stops the header with the final sizes is written at
// position 0 through the writer's byte stream (IStream on its input pin).
//
// Transform, Receive and StopStreaming run under the receive lock; DataSize belongs to them.

#include "media/base/transform_filter.h"

#include <cstdint>
#include <vector>

namespace camtrove::filters {

inline constexpr media::GUID CLSID_WavDest = media::MakeGuid("A220513C-2CB8-40FB-AD3C-21618731874C");

class Tct_WaveDest;

// Offers and takes only a WAVE byte stream.
class TWaveDestOutputPin final : public media::TBCTransformOutputPin
{
public:
    TWaveDestOutputPin(Tct_WaveDest* filter, HRESULT* result);

    HRESULT CheckMediaType(const media::AM_MEDIA_TYPE& type) override;
};

class Tct_WaveDest final : public media::TBCTransformFilter
{
public:
    // result, when given, receives E_OUTOFMEMORY when the pins could not be made.
    explicit Tct_WaveDest(HRESULT* result = nullptr);

    HRESULT Transform(media::IMediaSample* input, media::IMediaSample* output) override;
    HRESULT CheckInputType(const media::AM_MEDIA_TYPE& type) override;
    HRESULT CheckTransform(const media::AM_MEDIA_TYPE& input, const media::AM_MEDIA_TYPE& output) override;
    HRESULT DecideBufferSize(media::IMemAllocator* allocator, media::ALLOCATOR_PROPERTIES* request) override;
    HRESULT GetMediaType(int position, media::AM_MEDIA_TYPE* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT CompleteConnect(media::PIN_DIRECTION direction, media::IPin* receivePin) override;
    // A buffer that does not reach the writer is not counted.
    HRESULT Receive(media::IMediaSample* sample) override;

    // The header for a format block and a count of audio bytes, as it lands at the file's start.
    [[nodiscard]] static std::vector<std::uint8_t> BuildHeader(const std::vector<std::uint8_t>& format,
                                                               std::uint32_t dataSize);

    [[nodiscard]] std::uint32_t DataSize() const { return m_dataSize; }
    [[nodiscard]] std::uint32_t HeaderSize() const { return m_headerSize; }

protected:
    std::unique_ptr<media::TBCTransformInputPin> CreateInputPin(HRESULT* result) override;
    std::unique_ptr<media::TBCTransformOutputPin> CreateOutputPin(HRESULT* result) override;

private:
    std::uint32_t m_dataSize = 0;
    std::uint32_t m_headerSize = 0;
};

} // namespace camtrove::filters
