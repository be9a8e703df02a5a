#pragma once
// AVI fixtures for the frame-rate rewrite: files written by libavformat (a writer independent of ours),
// RIFF trees built by hand for the shapes libavformat never writes, and libavformat's reading of a file.

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace camtrove::avi_fixture {

inline void AppendLe32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

inline std::uint32_t Le32At(const QByteArray& bytes, qsizetype at)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

// A chunk whose size field says claimedSize, whatever the data holds; no padding is added.
inline std::string RawChunk(const std::string& code, std::uint32_t claimedSize, const std::string& data)
{
    std::string out = code;
    AppendLe32(out, claimedSize);
    return out + data;
}

// A well-formed chunk, padded to an even length.
inline std::string Chunk(const std::string& code, const std::string& data)
{
    std::string out = RawChunk(code, std::uint32_t(data.size()), data);
    if (data.size() % 2 != 0)
        out += '\0';
    return out;
}

// "RIFF" or "LIST" with its list type and children.
inline std::string List(const std::string& code, const std::string& listType, const std::string& children)
{
    return Chunk(code, listType + children);
}

// The 56 data bytes of a stream header; the handler code marks it so tests can find it by search.
inline std::string StreamHeaderData(const std::string& type, const std::string& handler, std::uint32_t scale,
                                    std::uint32_t rate)
{
    std::string data = type + handler;
    AppendLe32(data, 0); // flags
    AppendLe32(data, 0); // priority, language
    AppendLe32(data, 0); // initial frames
    AppendLe32(data, scale);
    AppendLe32(data, rate);
    data += std::string(56 - data.size(), '\0');
    return data;
}

inline std::string StreamList(const std::string& type, const std::string& handler, std::uint32_t scale,
                              std::uint32_t rate)
{
    return List("LIST", "strl",
                Chunk("strh", StreamHeaderData(type, handler, scale, rate)) +
                    Chunk("strf", std::string(40, '\x01')));
}

inline std::string AviFile(const std::string& streamLists)
{
    const std::string header = Chunk("avih", std::string(56, '\x02'));
    return List("RIFF", "AVI ",
                List("LIST", "hdrl", header + streamLists) +
                    List("LIST", "movi", Chunk("00dc", std::string(10, '\x03'))) +
                    Chunk("idx1", std::string(16, '\x04')));
}

// Where the scale field of the stream header marked by handler sits in bytes.
inline qsizetype ScaleFieldOf(const QByteArray& bytes, const char* handler)
{
    const qsizetype at = bytes.indexOf(handler);
    return at < 0 ? -1 : at + 16; // the handler follows the 4-byte type; the scale is at data offset 20
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline bool WriteAll(const QString& path, const std::string& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

// Makes a file impossible to open for writing while it lives: read-only permissions, and for a user who
// ignores those (root) the immutable attribute where the file system offers it. Locked() says whether it
// took.
class WriteLock
{
public:
    explicit WriteLock(const QString& path) : m_path(path)
    {
        QFile::setPermissions(path, QFile::ReadOwner);
        if (!WritableNow())
            return;
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0)
            ::close(fd);
    }
    ~WriteLock()
    {
        if (m_immutable) {
            const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
        }
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    [[nodiscard]] bool Locked() const { return !WritableNow(); }

private:
    bool WritableNow() const
    {
        QFile probe(m_path);
        return probe.open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
    }

    QString m_path;
    bool m_immutable = false;
};

struct FormatContextCloser
{
    void operator()(AVFormatContext* context) const
    {
        if (context->oformat) {
            avio_closep(&context->pb);
            avformat_free_context(context);
        } else {
            avformat_close_input(&context);
        }
    }
};
using FormatContext = std::unique_ptr<AVFormatContext, FormatContextCloser>;

inline void Check(int result, const char* what)
{
    if (result < 0)
        throw std::runtime_error(std::string("libavformat: ") + what + " failed");
}

struct LibavAviOptions
{
    int videoStreams = 1;
    int framesPerSecond = 10;
    bool audio = true;
};

// An AVI of 16 x 16 raw BGR frames at framesPerSecond, with a mono 8 kHz PCM stream when asked.
inline void WriteAviWithLibav(const QString& path, const LibavAviOptions& options = {})
{
    AVFormatContext* raw = nullptr;
    const QByteArray name = QFile::encodeName(path);
    Check(avformat_alloc_output_context2(&raw, nullptr, "avi", name.constData()), "allocating the muxer");
    FormatContext context(raw);

    for (int i = 0; i < options.videoStreams; ++i) {
        AVStream* video = avformat_new_stream(raw, nullptr);
        video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        video->codecpar->codec_id = AV_CODEC_ID_RAWVIDEO;
        video->codecpar->format = AV_PIX_FMT_BGR24;
        video->codecpar->width = 16;
        video->codecpar->height = 16;
        video->codecpar->bits_per_coded_sample = 24;
        video->time_base = AVRational{1, options.framesPerSecond};
        video->avg_frame_rate = AVRational{options.framesPerSecond, 1};
    }
    if (options.audio) {
        AVStream* audio = avformat_new_stream(raw, nullptr);
        audio->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
        audio->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
        audio->codecpar->format = AV_SAMPLE_FMT_S16;
        audio->codecpar->sample_rate = 8000;
        av_channel_layout_default(&audio->codecpar->ch_layout, 1);
        audio->codecpar->block_align = 2;
        audio->codecpar->bits_per_coded_sample = 16;
        audio->time_base = AVRational{1, 8000};
    }
    Check(avio_open(&raw->pb, name.constData(), AVIO_FLAG_WRITE), "opening the output");
    Check(avformat_write_header(raw, nullptr), "writing the header");

    const std::vector<std::uint8_t> frame(16 * 16 * 3, 0);
    const std::vector<std::uint8_t> sound(2 * 8000 / options.framesPerSecond, 0);
    for (int n = 0; n < 5; ++n) {
        for (int s = 0; s < int(raw->nb_streams); ++s) {
            const bool isVideo = raw->streams[s]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
            const std::vector<std::uint8_t>& data = isVideo ? frame : sound;
            AVPacket* packet = av_packet_alloc();
            Check(av_new_packet(packet, int(data.size())), "allocating a packet");
            std::copy(data.begin(), data.end(), packet->data);
            packet->stream_index = s;
            // The muxer may have changed the stream's time base in writing the header.
            const AVRational unit = isVideo ? AVRational{1, options.framesPerSecond} : AVRational{1, 8000};
            const std::int64_t duration = isVideo ? 1 : std::int64_t(data.size() / 2);
            packet->pts = packet->dts = av_rescale_q(n * duration, unit, raw->streams[s]->time_base);
            packet->duration = av_rescale_q(duration, unit, raw->streams[s]->time_base);
            packet->flags |= AV_PKT_FLAG_KEY;
            const int written = av_interleaved_write_frame(raw, packet);
            av_packet_free(&packet);
            Check(written, "writing a packet");
        }
    }
    Check(av_write_trailer(raw), "writing the trailer");
}

struct LibavStream
{
    AVMediaType type;
    AVRational timeBase;
    AVRational frameRate; // the rate libavformat reports for the stream (r_frame_rate)
    int frames;           // packets read back
};

// How libavformat reads the file back: each stream's time base and rate, and its packets counted.
inline std::vector<LibavStream> ReadWithLibav(const QString& path)
{
    AVFormatContext* raw = nullptr;
    const QByteArray name = QFile::encodeName(path);
    Check(avformat_open_input(&raw, name.constData(), nullptr, nullptr), "opening the input");
    FormatContext context(raw);
    Check(avformat_find_stream_info(raw, nullptr), "reading the stream information");
    std::vector<LibavStream> streams;
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        const AVStream* stream = raw->streams[i];
        streams.push_back({stream->codecpar->codec_type, stream->time_base, stream->r_frame_rate, 0});
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(raw, packet) >= 0) {
        ++streams.at(std::size_t(packet->stream_index)).frames;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return streams;
}

} // namespace camtrove::avi_fixture
