#include "filters/ct_wave_dest.h"

#include "media/core/device_interfaces.h"
#include "media/core/guids.h"
#include "media/core/media_results.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace camtrove::filters {

namespace {

constexpr std::uint32_t kHeaderOverhead = 28; // the header's bytes around the format block

void PutTag(std::uint8_t* at, const char (&tag)[5])
{
    std::memcpy(at, tag, 4);
}

void PutU32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = std::uint8_t(value >> (8 * i));
}

} // namespace

TWaveDestOutputPin::TWaveDestOutputPin(Tct_WaveDest* filter, HRESULT* result)
    : TBCTransformOutputPin(QStringLiteral("WavDest output pin"), filter, result, QStringLiteral("Out"))
{
}

HRESULT TWaveDestOutputPin::CheckMediaType(const media::AM_MEDIA_TYPE& type)
{
    return type.majortype == media::MEDIATYPE_Stream && type.subtype == media::MEDIASUBTYPE_WAVE ? S_OK
                                                                                                 : S_FALSE;
}

Tct_WaveDest::Tct_WaveDest(HRESULT* result)
    : TBCTransformFilter(QStringLiteral("WavDest filter"), CLSID_WavDest)
{
    (void)GetPin(0);
    if (result && (!m_input || !m_output))
        *result = E_OUTOFMEMORY;
}

std::unique_ptr<media::TBCTransformInputPin> Tct_WaveDest::CreateInputPin(HRESULT* result)
{
    return std::make_unique<media::TBCTransformInputPin>(QStringLiteral("Transform input pin"), this, result,
                                                         QStringLiteral("In"));
}

std::unique_ptr<media::TBCTransformOutputPin> Tct_WaveDest::CreateOutputPin(HRESULT* result)
{
    return std::make_unique<TWaveDestOutputPin>(this, result);
}

HRESULT Tct_WaveDest::CheckInputType(const media::AM_MEDIA_TYPE& type)
{
    return type.formattype == media::FORMAT_WaveFormatEx ? S_OK : S_FALSE;
}

HRESULT Tct_WaveDest::CheckTransform(const media::AM_MEDIA_TYPE& input, const media::AM_MEDIA_TYPE&)
{
    const HRESULT hr = CheckInputType(input);
    return Failed(hr) ? hr : S_OK;
}

HRESULT Tct_WaveDest::GetMediaType(int position, media::AM_MEDIA_TYPE* type)
{
    if (position == 1)
        return VFW_S_NO_MORE_ITEMS;
    if (position != 0 || !type)
        return E_UNEXPECTED;
    *type = media::AM_MEDIA_TYPE{};
    type->majortype = media::MEDIATYPE_Stream;
    type->subtype = media::MEDIASUBTYPE_WAVE;
    type->formattype = media::FORMAT_None;
    return S_OK;
}

HRESULT Tct_WaveDest::DecideBufferSize(media::IMemAllocator* allocator, media::ALLOCATOR_PROPERTIES* request)
{
    if (!m_input || !m_input->IsConnected())
        return E_UNEXPECTED;
    media::IMemAllocator* inputAllocator = m_input->PeekAllocator();
    if (!inputAllocator)
        return E_UNEXPECTED;
    media::ALLOCATOR_PROPERTIES inputProps;
    HRESULT hr = inputAllocator->GetProperties(&inputProps);
    if (Failed(hr))
        return hr;
    request->cBuffers = 1;
    request->cbAlign = 1;
    request->cbBuffer = inputProps.cbBuffer;
    media::ALLOCATOR_PROPERTIES actual;
    hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    if (actual.cBuffers < request->cBuffers || actual.cbBuffer < request->cbBuffer)
        return E_FAIL;
    // One buffer keeps the byte positions in delivery order.
    if (actual.cBuffers != 1)
        return E_UNEXPECTED;
    return S_OK;
}

HRESULT Tct_WaveDest::CompleteConnect(media::PIN_DIRECTION, media::IPin*)
{
    return S_OK;
}

HRESULT Tct_WaveDest::StartStreaming()
{
    m_headerSize = m_input->CurrentMediaType().cbFormat() + kHeaderOverhead;
    m_dataSize = 0;
    return S_OK;
}

HRESULT Tct_WaveDest::Transform(media::IMediaSample* input, media::IMediaSample* output)
{
    std::uint8_t* in = nullptr;
    std::uint8_t* out = nullptr;
    HRESULT hr = input->GetPointer(&in);
    if (Succeeded(hr))
        hr = output->GetPointer(&out);
    if (Failed(hr))
        return hr;
    const std::int32_t length = std::max(input->GetActualDataLength(), 0);
    if (length > output->GetSize())
        return E_FAIL;
    if (length > 0)
        std::memcpy(out, in, std::size_t(length));
    std::int64_t mediaStart = 0;
    std::int64_t mediaStop = 0;
    if (input->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        (void)output->SetMediaTime(&mediaStart, &mediaStop);
    media::AM_MEDIA_TYPE* attached = nullptr;
    if (input->GetMediaType(&attached) == S_OK && attached) {
        (void)output->SetMediaType(attached);
        delete attached;
    }
    (void)output->SetActualDataLength(length);

    const std::uint64_t start = std::uint64_t(m_dataSize) + m_headerSize;
    if (start + std::uint64_t(length) > std::numeric_limits<std::uint32_t>::max())
        return E_FAIL;
    const media::REFERENCE_TIME startTime = media::REFERENCE_TIME(start);
    const media::REFERENCE_TIME stopTime = startTime + length;
    (void)output->SetTime(&startTime, &stopTime);
    m_dataSize += std::uint32_t(length);
    return S_OK;
}

HRESULT Tct_WaveDest::Receive(media::IMediaSample* sample)
{
    const std::uint32_t before = m_dataSize;
    const HRESULT hr = TBCTransformFilter::Receive(sample);
    if (hr != S_OK)
        m_dataSize = before;
    return hr;
}

std::vector<std::uint8_t> Tct_WaveDest::BuildHeader(const std::vector<std::uint8_t>& format,
                                                    std::uint32_t dataSize)
{
    const auto formatSize = std::uint32_t(format.size());
    const std::uint32_t headerSize = formatSize + kHeaderOverhead;
    std::vector<std::uint8_t> header(headerSize);
    std::uint8_t* at = header.data();
    PutTag(at, "RIFF");
    PutU32(at + 4, dataSize + headerSize - 8);
    PutTag(at + 8, "WAVE");
    PutTag(at + 12, "fmt ");
    PutU32(at + 16, formatSize);
    if (formatSize > 0)
        std::memcpy(at + 20, format.data(), formatSize);
    PutTag(at + 20 + formatSize, "data");
    PutU32(at + 24 + formatSize, dataSize);
    return header;
}

HRESULT Tct_WaveDest::StopStreaming()
{
    if (!m_output || !m_output->IsConnected() || !m_output->GetConnected())
        return E_FAIL;
    media::ComPtr<media::IStream> stream;
    const HRESULT found = m_output->GetConnected()->QueryInterface(media::IID_IStream, stream.AsOut());
    if (Failed(found) || !stream)
        return Failed(found) ? found : E_NOINTERFACE;

    const std::vector<std::uint8_t> header = BuildHeader(m_input->CurrentMediaType().format, m_dataSize);
    std::uint64_t position = 0;
    const HRESULT seek = stream->Seek(0, media::STREAM_SEEK_SET, &position);
    if (Failed(seek))
        return seek;
    std::uint32_t written = 0;
    return stream->Write(header.data(), std::uint32_t(header.size()), &written);
}

} // namespace camtrove::filters
