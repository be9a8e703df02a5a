#include "media/codecs/asf_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstdio>

namespace camtrove::media {

namespace {

constexpr int kIoBufferSize = 64 * 1024;

struct FormatFree
{
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};

struct IoFree
{
    void operator()(AVIOContext* io) const
    {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

} // namespace

// The byte position and size the muxer sees, and the first error of the file beneath it.
struct AsfFile::State
{
    SinkFile* file = nullptr;
    std::int64_t position = 0;
    std::int64_t size = 0;
    HRESULT ioFailure = S_OK;
    std::unique_ptr<AVIOContext, IoFree> io;
    std::unique_ptr<AVFormatContext, FormatFree> format;
    std::vector<AVRational> codecTimeBases;

    static int WritePacket(void* opaque, std::uint8_t* data, int size)
    {
        auto* self = static_cast<State*>(opaque);
        if (Failed(self->ioFailure))
            return AVERROR(EIO);
        const HRESULT hr = self->file->WriteAt(static_cast<std::uint64_t>(self->position), data,
                                               static_cast<std::size_t>(std::max(size, 0)));
        if (Failed(hr)) {
            self->ioFailure = hr;
            return AVERROR(EIO);
        }
        self->position += size;
        self->size = std::max(self->size, self->position);
        return size;
    }

    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence)
    {
        auto* self = static_cast<State*>(opaque);
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return self->size;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += self->position;
            break;
        case SEEK_END:
            offset += self->size;
            break;
        default:
            return AVERROR(EINVAL);
        }
        if (offset < 0)
            return AVERROR(EINVAL);
        self->position = offset;
        return offset;
    }
};

AsfFile::AsfFile(SinkFile& file) : m_file(file) {}

AsfFile::~AsfFile()
{
    Close();
}

bool AsfFile::IsOpen() const
{
    return m_state != nullptr;
}

HRESULT AsfFile::Fail(int error)
{
    if (Succeeded(m_failure))
        m_failure = m_state && Failed(m_state->ioFailure) ? m_state->ioFailure
                    : error == AVERROR(ENOMEM)            ? E_OUTOFMEMORY
                                                          : E_FAIL;
    return m_failure;
}

HRESULT AsfFile::Open(const QString& path, const std::vector<const AVCodecContext*>& codecs)
{
    Close();
    m_failure = S_OK;
    if (codecs.empty())
        return E_INVALIDARG;
    HRESULT hr = m_file.Open(path);
    if (Failed(hr))
        return m_failure = hr;
    m_state = std::make_unique<State>();
    m_state->file = &m_file;

    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return Fail(AVERROR(ENOMEM));
    m_state->io.reset(avio_alloc_context(buffer, kIoBufferSize, 1, m_state.get(), nullptr,
                                         &State::WritePacket, &State::Seek));
    if (!m_state->io) {
        av_free(buffer);
        return Fail(AVERROR(ENOMEM));
    }
    m_state->io->seekable = AVIO_SEEKABLE_NORMAL;

    AVFormatContext* format = nullptr;
    int error = avformat_alloc_output_context2(&format, nullptr, "asf", nullptr);
    m_state->format.reset(format);
    if (error < 0)
        return Fail(error);
    format->pb = m_state->io.get();
    for (const AVCodecContext* codec : codecs) {
        AVStream* stream = avformat_new_stream(format, nullptr);
        if (!stream)
            return Fail(AVERROR(ENOMEM));
        if ((error = avcodec_parameters_from_context(stream->codecpar, codec)) < 0)
            return Fail(error);
        stream->time_base = codec->time_base;
        m_state->codecTimeBases.push_back(codec->time_base);
    }
    if ((error = avformat_write_header(format, nullptr)) < 0)
        return Fail(error);
    return S_OK;
}

HRESULT AsfFile::Write(std::size_t stream, AVPacket* packet)
{
    if (Failed(m_failure))
        return m_failure;
    if (!m_state || stream >= m_state->codecTimeBases.size())
        return E_UNEXPECTED;
    AVStream* target = m_state->format->streams[stream];
    av_packet_rescale_ts(packet, m_state->codecTimeBases[stream], target->time_base);
    packet->stream_index = static_cast<int>(stream);
    const int error = av_interleaved_write_frame(m_state->format.get(), packet);
    if (error < 0 || Failed(m_state->ioFailure))
        return Fail(error);
    return S_OK;
}

HRESULT AsfFile::Finish()
{
    if (!m_state)
        return Failed(m_failure) ? m_failure : S_OK;
    if (Succeeded(m_failure)) {
        const int error = av_write_trailer(m_state->format.get());
        avio_flush(m_state->io.get());
        if (error < 0 || Failed(m_state->ioFailure))
            (void)Fail(error);
    }
    Close();
    return m_failure;
}

void AsfFile::Close()
{
    m_state.reset();
    m_file.Close();
}

} // namespace camtrove::media
