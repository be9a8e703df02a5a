#include "media/codecs/mpeg_ps_mux.h"

#include "media/codecs/mpeg1_audio_type.h"
#include "media/core/graph_interfaces.h"
#include "media/core/guids.h"
#include "media/stock/file_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace camtrove::media {

namespace {

constexpr std::int32_t kDeliveryBufferSize = 256 << 10;
constexpr std::int32_t kDeliveryBuffers = 4;
constexpr int kMuxerBufferSize = 64 << 10;
constexpr AVRational kMpegClock{1, 90'000};

// Results that mean the graph is stopping under a sample, not that the file failed.
bool IsStopping(HRESULT hr)
{
    return hr == VFW_E_WRONG_STATE || hr == VFW_E_NOT_COMMITTED;
}

std::int64_t ToMpegClock(REFERENCE_TIME time)
{
    return av_rescale(time, 9, 1000);
}

struct VideoStream
{
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    std::int64_t bitRate = 0;
    REFERENCE_TIME frameDuration = 0;
};

std::optional<VideoStream> VideoStreamOf(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Video)
        return std::nullopt;
    if (type.subtype == MEDIASUBTYPE_MPEG2_VIDEO && type.formattype == FORMAT_MPEG2Video &&
        type.format.size() >= offsetof(MPEG2VIDEOINFO, dwSequenceHeader)) {
        VIDEOINFOHEADER2 header;
        std::memcpy(&header, type.format.data(), sizeof header);
        return VideoStream{AV_CODEC_ID_MPEG2VIDEO, header.bmiHeader.biWidth,
                           std::abs(header.bmiHeader.biHeight), header.dwBitRate, header.AvgTimePerFrame};
    }
    if (type.subtype == MEDIASUBTYPE_MPEG1Payload && type.formattype == FORMAT_MPEGVideo &&
        type.format.size() >= offsetof(MPEG1VIDEOINFO, bSequenceHeader)) {
        VIDEOINFOHEADER header;
        std::memcpy(&header, type.format.data(), sizeof header);
        return VideoStream{AV_CODEC_ID_MPEG1VIDEO, header.bmiHeader.biWidth,
                           std::abs(header.bmiHeader.biHeight), header.dwBitRate, header.AvgTimePerFrame};
    }
    return std::nullopt;
}

AVCodecID AudioCodecOf(const Mpeg1AudioStream& stream)
{
    switch (stream.layer) {
    case 1:
        return AV_CODEC_ID_MP1;
    case 3:
        return AV_CODEC_ID_MP3;
    default:
        return AV_CODEC_ID_MP2;
    }
}

// The muxer's write callback took a mutable buffer before libavformat 61.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
int WriteToMux(void* opaque, const std::uint8_t* data, int size)
#else
int WriteToMux(void* opaque, std::uint8_t* data, int size)
#endif
{
    return MpegPsMux::WriteBytes(opaque, data, size);
}

} // namespace

// ---- MpegPsInputPin ----

MpegPsInputPin::MpegPsInputPin(MpegPsMux* filter, TBCCritSec* lock, MpegPsInput kind)
    : TBCBaseInputPin(QStringLiteral("MPEG PS input pin"), filter, lock, nullptr,
                      kind == MpegPsInput::Video ? QStringLiteral("Video") : QStringLiteral("Audio")),
      m_mux(filter), m_kind(kind)
{
}

HRESULT MpegPsInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    const bool known =
        m_kind == MpegPsInput::Video ? VideoStreamOf(type).has_value() : Mpeg1AudioStreamOf(type).has_value();
    return known ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT MpegPsInputPin::GetMediaType(int position, AM_MEDIA_TYPE*)
{
    return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT MpegPsInputPin::Receive(IMediaSample* sample)
{
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_mux->WriteSample(this, sample);
}

HRESULT MpegPsInputPin::EndOfStream()
{
    if (IsPinActive() && !IsFlushing())
        m_mux->EndStream(this);
    return S_OK;
}

// ---- MpegPsOutputPin ----

MpegPsOutputPin::MpegPsOutputPin(MpegPsMux* filter, TBCCritSec* lock)
    : TBCBaseOutputPin(QStringLiteral("MPEG PS output pin"), filter, lock, nullptr,
                       QStringLiteral("Program Stream")),
      m_mux(filter)
{
}

HRESULT MpegPsOutputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    const bool known = type.subtype == MEDIASUBTYPE_MPEG2_PROGRAM || type.subtype == MEDIASUBTYPE_MPEG1System;
    return type.majortype == MEDIATYPE_Stream && known ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT MpegPsOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = AM_MEDIA_TYPE{};
    type->majortype = MEDIATYPE_Stream;
    type->subtype = m_mux->IsMpeg1System() ? MEDIASUBTYPE_MPEG1System : MEDIASUBTYPE_MPEG2_PROGRAM;
    type->formattype = FORMAT_None;
    return S_OK;
}

HRESULT MpegPsOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    request->cBuffers = std::max(request->cBuffers, kDeliveryBuffers);
    request->cbBuffer = std::max(request->cbBuffer, kDeliveryBufferSize);
    request->cbAlign = std::max(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer > 0 && actual.cBuffers > 0 ? S_OK : E_FAIL;
}

// ---- MpegPsMux ----

MpegPsMux::MpegPsMux()
    : TBCBaseFilter(QStringLiteral("MPEG Program Stream Multiplexer"), &m_lock, CLSID_MpegPsMux)
{
    m_video = std::make_unique<MpegPsInputPin>(this, &m_lock, MpegPsInput::Video);
    m_audio = std::make_unique<MpegPsInputPin>(this, &m_lock, MpegPsInput::Audio);
    m_output = std::make_unique<MpegPsOutputPin>(this, &m_lock);
}

MpegPsMux::~MpegPsMux() = default;

ComPtr<MpegPsMux> MpegPsMux::Create()
{
    return ComPtr<MpegPsMux>(new MpegPsMux());
}

TBCBasePin* MpegPsMux::GetPin(int index)
{
    switch (index) {
    case 0:
        return m_video.get();
    case 1:
        return m_audio.get();
    case 2:
        return m_output.get();
    default:
        return nullptr;
    }
}

bool MpegPsMux::IsMpeg1System() const
{
    if (!m_video->IsConnected())
        return false;
    const auto video = VideoStreamOf(m_video->CurrentMediaType());
    return video && video->codec == AV_CODEC_ID_MPEG1VIDEO;
}

HRESULT MpegPsMux::Pause()
{
    TBCAutoLock lock(&m_lock);
    if (IsStopped()) {
        const HRESULT hr = StartFile();
        if (Failed(hr))
            return hr;
    }
    return TBCBaseFilter::Pause();
}

HRESULT MpegPsMux::Stop()
{
    TBCAutoLock lock(&m_lock);
    const bool wasActive = !IsStopped();
    const HRESULT stopped = TBCBaseFilter::Stop();
    const HRESULT finished = wasActive ? FinishFile() : S_OK;
    return Failed(finished) ? finished : stopped;
}

HRESULT MpegPsMux::StartFile()
{
    if (!m_output->IsConnected() || (!m_video->IsConnected() && !m_audio->IsConnected()))
        return S_OK;
    ComPtr<IStream> stream = QueryAs<IStream>(static_cast<IUnknown*>(m_output->GetConnected()));
    if (!stream)
        return E_NOINTERFACE; // without it the end of the stream could never be written

    std::lock_guard writeLock(m_writeMutex);
    AVFormatContext* raw = nullptr;
    // The DVD flavour carries MPEG-2 video with the packs players expect of it.
    const char* format = IsMpeg1System() || !m_video->IsConnected() ? "mpeg" : "vob";
    if (avformat_alloc_output_context2(&raw, nullptr, format, nullptr) < 0 || !raw)
        return E_OUTOFMEMORY;
    OutputContextPtr context(raw);
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kMuxerBufferSize));
    if (!buffer)
        return E_OUTOFMEMORY;
    context->pb = avio_alloc_context(buffer, kMuxerBufferSize, 1, this, nullptr, &WriteToMux, nullptr);
    if (!context->pb) {
        av_free(buffer);
        return E_OUTOFMEMORY;
    }
    context->flags |= AVFMT_FLAG_CUSTOM_IO;

    for (MpegPsInputPin* pin : {m_video.get(), m_audio.get()}) {
        pin->m_stream = -1;
        pin->m_ended = false;
        pin->m_lastDts = -1;
        if (!pin->IsConnected())
            continue;
        AVStream* st = avformat_new_stream(context.get(), nullptr);
        if (!st)
            return E_OUTOFMEMORY;
        st->time_base = kMpegClock;
        AVCodecParameters* par = st->codecpar;
        if (pin->Kind() == MpegPsInput::Video) {
            const auto video = VideoStreamOf(pin->CurrentMediaType());
            if (!video)
                return VFW_E_TYPE_NOT_ACCEPTED;
            par->codec_type = AVMEDIA_TYPE_VIDEO;
            par->codec_id = video->codec;
            par->width = video->width;
            par->height = video->height;
            par->bit_rate = video->bitRate;
            if (video->frameDuration > 0)
                st->avg_frame_rate =
                    av_d2q(10'000'000.0 / static_cast<double>(video->frameDuration), 100'000);
        } else {
            const auto audio = Mpeg1AudioStreamOf(pin->CurrentMediaType());
            if (!audio)
                return VFW_E_TYPE_NOT_ACCEPTED;
            par->codec_type = AVMEDIA_TYPE_AUDIO;
            par->codec_id = AudioCodecOf(*audio);
            par->sample_rate = static_cast<int>(audio->samplesPerSec);
            av_channel_layout_default(&par->ch_layout, audio->channels);
            par->bit_rate = audio->bitrate;
            par->frame_size = Mpeg1AudioFrameSamples(audio->layer);
        }
        pin->m_stream = st->index;
    }

    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return E_OUTOFMEMORY;
    m_stream = stream;
    m_position = 0;
    m_writeFailure = S_OK;
    m_failureReported = false;
    m_context = std::move(context);
    m_packet = std::move(packet);
    if (avformat_write_header(m_context.get(), nullptr) < 0) {
        const HRESULT hr = Failed(m_writeFailure) ? m_writeFailure : E_FAIL;
        m_context.reset();
        m_packet.reset();
        m_stream.Reset();
        return hr;
    }
    return S_OK;
}

HRESULT MpegPsMux::FinishFile()
{
    std::lock_guard writeLock(m_writeMutex);
    if (!m_context)
        return S_OK;
    // Flushes what the muxer held back for interleaving and ends the stream.
    const int written = av_write_trailer(m_context.get());
    avio_flush(m_context->pb);
    HRESULT hr = m_writeFailure;
    if (Succeeded(hr) && written < 0)
        hr = E_FAIL;
    m_context.reset();
    m_packet.reset();
    m_stream.Reset();
    if (Failed(hr) && !IsStopping(hr)) {
        ReportFailure(hr);
        return hr;
    }
    return S_OK;
}

HRESULT MpegPsMux::WriteSample(MpegPsInputPin* pin, IMediaSample* sample)
{
    std::lock_guard writeLock(m_writeMutex);
    if (!m_context || pin->m_stream < 0)
        return VFW_E_WRONG_STATE;
    if (Failed(m_writeFailure))
        return m_writeFailure;
    std::uint8_t* data = nullptr;
    HRESULT hr = sample->GetPointer(&data);
    if (Failed(hr))
        return hr;
    const int size = std::max(0, sample->GetActualDataLength());
    if (size == 0)
        return S_OK;

    const AVStream* st = m_context->streams[pin->m_stream];
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = sample->GetTime(&start, &stop);
    std::int64_t dts = 0;
    std::int64_t duration = 0;
    if (times == S_OK)
        duration = ToMpegClock(stop - start);
    if (times == S_OK || times == VFW_S_NO_STOP_TIME) {
        dts = ToMpegClock(std::max<REFERENCE_TIME>(start, 0));
    } else if (pin->m_lastDts >= 0) {
        // A sample without a time follows the last one by the stream's nominal duration.
        const AVCodecParameters* par = st->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && st->avg_frame_rate.num > 0)
            dts = pin->m_lastDts + av_rescale_q(1, av_inv_q(st->avg_frame_rate), kMpegClock);
        else if (par->bit_rate > 0)
            dts = pin->m_lastDts + av_rescale(size, 8 * 90'000, par->bit_rate);
        else
            dts = pin->m_lastDts + 1;
    }
    // The muxer refuses a stream whose times go back; a late sample takes the next tick.
    if (dts <= pin->m_lastDts)
        dts = pin->m_lastDts + 1;
    pin->m_lastDts = dts;

    if (av_new_packet(m_packet.get(), size) < 0)
        return E_OUTOFMEMORY;
    std::memcpy(m_packet->data, data, static_cast<std::size_t>(size));
    m_packet->stream_index = pin->m_stream;
    m_packet->pts = dts;
    m_packet->dts = dts;
    m_packet->duration = duration;
    if (sample->IsSyncPoint() == S_OK)
        m_packet->flags |= AV_PKT_FLAG_KEY;
    const int written = av_interleaved_write_frame(m_context.get(), m_packet.get());
    av_packet_unref(m_packet.get());
    if (written >= 0)
        return S_OK;
    hr = Failed(m_writeFailure) ? m_writeFailure : E_FAIL;
    if (!IsStopping(hr))
        ReportFailure(hr);
    return hr;
}

void MpegPsMux::EndStream(MpegPsInputPin* pin)
{
    std::lock_guard writeLock(m_writeMutex);
    if (!m_context || pin->m_stream < 0)
        return;
    pin->m_ended = true;
    for (MpegPsInputPin* input : {m_video.get(), m_audio.get()})
        if (input->m_stream >= 0 && !input->m_ended)
            return;
    // Every stream is over: what was held for interleaving goes out before end-of-stream.
    if (av_interleaved_write_frame(m_context.get(), nullptr) < 0 || Failed(m_writeFailure))
        ReportFailure(Failed(m_writeFailure) ? m_writeFailure : E_FAIL);
    avio_flush(m_context->pb);
    (void)m_output->DeliverEndOfStream();
}

void MpegPsMux::ReportFailure(HRESULT hr)
{
    if (!m_failureReported.exchange(true))
        (void)NotifyEvent(EC_ERRORABORT, hr, 0);
}

int MpegPsMux::WriteBytes(void* opaque, const std::uint8_t* data, int size)
{
    auto* mux = static_cast<MpegPsMux*>(opaque);
    if (Failed(mux->m_writeFailure))
        return AVERROR(EIO);
    const HRESULT hr = mux->Emit({data, static_cast<std::size_t>(std::max(size, 0))});
    if (Failed(hr)) {
        mux->m_writeFailure = hr;
        return AVERROR(EIO);
    }
    return size;
}

HRESULT MpegPsMux::Emit(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        if (!m_output->IsPinActive())
            return WriteThroughStream(bytes);
        ComPtr<IMediaSample> sample;
        HRESULT hr = m_output->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        // A sink that no longer takes samples because it is stopping still takes bytes through
        // its stream, so nothing that arrives while the graph stops is lost.
        if (IsStopping(hr))
            return WriteThroughStream(bytes);
        if (Failed(hr))
            return hr;
        std::uint8_t* buffer = nullptr;
        hr = sample->GetPointer(&buffer);
        if (Failed(hr))
            return hr;
        const std::size_t n =
            std::min(bytes.size(), static_cast<std::size_t>(std::max(sample->GetSize(), 0)));
        if (n == 0)
            return E_UNEXPECTED;
        std::memcpy(buffer, bytes.data(), n);
        (void)sample->SetActualDataLength(static_cast<std::int32_t>(n));
        const REFERENCE_TIME start = static_cast<REFERENCE_TIME>(m_position);
        const REFERENCE_TIME stop = start + static_cast<REFERENCE_TIME>(n);
        (void)sample->SetTime(&start, &stop);
        (void)sample->SetSyncPoint(true);
        hr = m_output->Deliver(sample.Get());
        if (IsStopping(hr))
            return WriteThroughStream(bytes);
        if (Failed(hr))
            return hr;
        m_position += n;
        bytes = bytes.subspan(n);
    }
    return S_OK;
}

HRESULT MpegPsMux::WriteThroughStream(std::span<const std::uint8_t> bytes)
{
    if (!m_stream)
        return E_UNEXPECTED;
    HRESULT hr = m_stream->Seek(static_cast<std::int64_t>(m_position), STREAM_SEEK_SET, nullptr);
    if (Failed(hr))
        return hr;
    std::uint32_t written = 0;
    hr = m_stream->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
    if (Succeeded(hr) && written != bytes.size())
        return E_DISK_FULL;
    if (Succeeded(hr))
        m_position += bytes.size();
    return hr;
}

} // namespace camtrove::media
