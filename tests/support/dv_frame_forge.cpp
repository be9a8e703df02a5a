#include "support/dv_frame_forge.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <memory>
#include <stdexcept>

namespace camtrove::testsupport {
namespace {

constexpr std::size_t kBlock = 80;

[[nodiscard]] int SequencesOf(DvLines lines)
{
    return lines == DvLines::System525 ? 10 : 12;
}

[[nodiscard]] std::uint8_t SystemByte(DvLines lines)
{
    return lines == DvLines::System525 ? 0x3F : 0xBF;
}

struct CodecContextFree
{
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

// A gradient with a bright square, so the decoder sees a real picture rather than flat grey.
void PaintPicture(AVFrame& frame)
{
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const bool square = x >= 200 && x < 320 && y >= 100 && y < 220;
            frame.data[0][y * frame.linesize[0] + x] =
                static_cast<std::uint8_t>(square ? 235 : 16 + (x * 200) / frame.width);
        }
    }
    const int chromaWidth = frame.format == AV_PIX_FMT_YUV411P ? frame.width / 4 : frame.width / 2;
    const int chromaHeight = frame.format == AV_PIX_FMT_YUV411P ? frame.height : frame.height / 2;
    for (int plane = 1; plane <= 2; ++plane) {
        for (int y = 0; y < chromaHeight; ++y) {
            for (int x = 0; x < chromaWidth; ++x)
                frame.data[plane][y * frame.linesize[plane] + x] =
                    static_cast<std::uint8_t>(plane == 1 ? 90 + y % 64 : 160);
        }
    }
}

[[nodiscard]] std::vector<std::uint8_t> EncodePicture(DvLines lines)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (!codec)
        throw std::runtime_error("libavcodec has no dvvideo encoder");
    std::unique_ptr<AVCodecContext, CodecContextFree> context(avcodec_alloc_context3(codec));
    const bool is525 = lines == DvLines::System525;
    context->width = 720;
    context->height = is525 ? 480 : 576;
    context->pix_fmt = is525 ? AV_PIX_FMT_YUV411P : AV_PIX_FMT_YUV420P;
    context->time_base = is525 ? AVRational{1001, 30000} : AVRational{1, 25};
    context->framerate = AVRational{context->time_base.den, context->time_base.num};
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        throw std::runtime_error("cannot open the dvvideo encoder");

    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    frame->width = context->width;
    frame->height = context->height;
    frame->format = context->pix_fmt;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        throw std::runtime_error("cannot allocate a picture");
    PaintPicture(*frame);
    frame->pts = 0;

    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (avcodec_send_frame(context.get(), frame.get()) < 0 ||
        avcodec_receive_packet(context.get(), packet.get()) < 0)
        throw std::runtime_error("dvvideo encoding failed");
    std::vector<std::uint8_t> bytes(packet->data, packet->data + packet->size);
    if (bytes.size() != dvoffset::kSequence * static_cast<std::size_t>(SequencesOf(lines)))
        throw std::runtime_error("dvvideo encoder gave a frame of unexpected size");
    return bytes;
}

// Blanks every pack the readers look at and clears AP3, in all sequences of the frame.
void Blank(std::vector<std::uint8_t>& bytes, int sequences)
{
    using namespace dvoffset;
    for (int k = 0; k < sequences; ++k) {
        std::uint8_t* sequence = bytes.data() + kSequence * static_cast<std::size_t>(k);
        for (std::size_t offset :
             {kSubcode0Timecode, kSubcode1Timecode, kSourceControl, kRecDate, kRecTime, kAudioSource}) {
            for (std::size_t i = 0; i < 5; ++i)
                sequence[offset + i] = 0xFF;
        }
        sequence[kHeaderByte7] &= 0xF8;
    }
}

// Block ids (section type, sequence, block number) and their contents for one DIF sequence.
void LayOutSequence(std::uint8_t* sequence, int k, DvLines lines)
{
    auto block = [&](std::size_t index, int sectionType, int number) {
        std::uint8_t* b = sequence + index * kBlock;
        b[0] = static_cast<std::uint8_t>(sectionType << 5 | 0x1F);
        b[1] = static_cast<std::uint8_t>(k << 4 | 0x07);
        b[2] = static_cast<std::uint8_t>(number);
        return b;
    };
    std::uint8_t* header = block(0, 0, 0);
    std::fill(header + 3, header + kBlock, 0xFF);
    header[3] = SystemByte(lines);
    header[4] = 0x78;
    header[5] = 0x78;
    header[6] = 0x78;
    header[7] = 0x78;
    for (int i = 0; i < 2; ++i)
        std::fill(block(1 + i, 1, i) + 3, sequence + (2 + i) * kBlock, 0xFF);
    for (int i = 0; i < 3; ++i)
        std::fill(block(3 + i, 2, i) + 3, sequence + (4 + i) * kBlock, 0xFF);
    // Nine audio blocks, each followed by fifteen video blocks.
    for (int a = 0; a < 9; ++a) {
        const std::size_t first = 6 + static_cast<std::size_t>(a) * 16;
        std::uint8_t* audio = block(first, 3, a);
        std::fill(audio + 3, audio + 8, 0xFF);
        std::fill(audio + 8, audio + kBlock, 0x00);
        for (int v = 0; v < 15; ++v)
            std::fill(block(first + 1 + v, 4, a * 15 + v) + 3, sequence + (first + 2 + v) * kBlock, 0x00);
    }
}

} // namespace

std::vector<int> AllDvSequences()
{
    return {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
}

std::uint8_t ToBcd(int value)
{
    return static_cast<std::uint8_t>((value / 10) << 4 | value % 10);
}

DvFrameForge DvFrameForge::Encoded(DvLines lines)
{
    // Encoding is the slow part; every test starts from the same two pictures.
    static const std::vector<std::uint8_t> picture525 = EncodePicture(DvLines::System525);
    static const std::vector<std::uint8_t> picture625 = EncodePicture(DvLines::System625);
    std::vector<std::uint8_t> bytes = lines == DvLines::System525 ? picture525 : picture625;
    Blank(bytes, SequencesOf(lines));
    return DvFrameForge(std::move(bytes));
}

DvFrameForge DvFrameForge::Bare(DvLines lines)
{
    const int sequences = SequencesOf(lines);
    std::vector<std::uint8_t> bytes(dvoffset::kSequence * static_cast<std::size_t>(sequences));
    for (int k = 0; k < sequences; ++k)
        LayOutSequence(bytes.data() + dvoffset::kSequence * static_cast<std::size_t>(k), k, lines);
    return DvFrameForge(std::move(bytes));
}

DvFrameForge& DvFrameForge::Pack(int sequence, std::size_t offset, DvPack pack)
{
    std::uint8_t* at = m_bytes.data() + dvoffset::kSequence * static_cast<std::size_t>(sequence) + offset;
    at[0] = pack.header;
    at[1] = pack.pc1;
    at[2] = pack.pc2;
    at[3] = pack.pc3;
    at[4] = pack.pc4;
    return *this;
}

DvFrameForge& DvFrameForge::Byte(std::size_t frameOffset, std::uint8_t value)
{
    m_bytes.at(frameOffset) = value;
    return *this;
}

DvFrameForge& DvFrameForge::RecDate(int year, int month, int day, int hour, int minute, int second,
                                    const std::vector<int>& sequences)
{
    // The reserved bits stay set, as camcorders write them, so a reader that forgets a mask fails.
    const DvPack date{0x62, 0xFF, static_cast<std::uint8_t>(0xC0 | ToBcd(day)),
                      static_cast<std::uint8_t>(0xE0 | ToBcd(month)), ToBcd(year % 100)};
    const DvPack time{0x63, 0xFF, static_cast<std::uint8_t>(0x80 | ToBcd(second)),
                      static_cast<std::uint8_t>(0x80 | ToBcd(minute)),
                      static_cast<std::uint8_t>(0xC0 | ToBcd(hour))};
    for (int k : sequences) {
        Pack(k, dvoffset::kRecDate, date);
        Pack(k, dvoffset::kRecTime, time);
    }
    return *this;
}

DvFrameForge& DvFrameForge::NoRecDate(const std::vector<int>& sequences)
{
    for (int k : sequences) {
        Pack(k, dvoffset::kRecDate, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        Pack(k, dvoffset::kRecTime, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    }
    return *this;
}

DvFrameForge& DvFrameForge::Timecode(int hours, int minutes, int seconds, int frames,
                                     const std::vector<int>& sequences, bool inBlock0, bool inBlock1)
{
    // Colour frame and drop frame flags set in PC1, binary group flags in PC2 to PC4.
    const DvPack pack{0x13, static_cast<std::uint8_t>(0xC0 | ToBcd(frames)),
                      static_cast<std::uint8_t>(0x80 | ToBcd(seconds)),
                      static_cast<std::uint8_t>(0x80 | ToBcd(minutes)),
                      static_cast<std::uint8_t>(0xC0 | ToBcd(hours))};
    for (int k : sequences) {
        if (inBlock0)
            Pack(k, dvoffset::kSubcode0Timecode, pack);
        if (inBlock1)
            Pack(k, dvoffset::kSubcode1Timecode, pack);
    }
    return *this;
}

DvFrameForge& DvFrameForge::SourceControl(int sequence, std::uint8_t displayMode)
{
    // Recording start and mode bits set around the display mode, as a camcorder records them.
    return Pack(sequence, dvoffset::kSourceControl,
                {0x61, 0x03, static_cast<std::uint8_t>(0xF8 | (displayMode & 7)), 0xFC, 0xFF});
}

DvFrameForge& DvFrameForge::AudioSource(int frequencyCode, int quantizationCode)
{
    const auto pc4 = static_cast<std::uint8_t>(0xC0 | (frequencyCode & 7) << 3 | (quantizationCode & 7));
    return Pack(0, dvoffset::kAudioSource, {0x50, 0xCF, 0x30, 0xC0, pc4});
}

DvFrameForge& DvFrameForge::HeaderByte3(std::uint8_t value)
{
    return Byte(dvoffset::kHeaderByte3, value);
}

DvFrameForge& DvFrameForge::Ap3(std::uint8_t ap3, const std::vector<int>& sequences)
{
    for (int k : sequences) {
        std::uint8_t& byte7 =
            m_bytes[dvoffset::kSequence * static_cast<std::size_t>(k) + dvoffset::kHeaderByte7];
        byte7 = static_cast<std::uint8_t>((byte7 & 0xF8) | (ap3 & 7));
    }
    return *this;
}

} // namespace camtrove::testsupport
