#include "media/devices/test_tape.h"

#include "common/datetime.h"
#include "media/stock/dv_dif.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <string>

namespace camtrove::media {
namespace detail {

// What a frame shows besides its position on the tape.
struct FrameLook
{
    std::optional<DateTimeParts> recorded; // none: an undated frame
    bool wide;
    bool audio32k12bit;
    int sceneNumber;
};

} // namespace detail

namespace {

using detail::FrameLook;

// The tape, scene by scene. Each scene exercises one thing scene detection and the inlay must
// handle; the dates jump between scenes by more than the detector's two seconds.
constexpr TestTapeScene kScenes[] = {
    {"garden, 4:3, 48 kHz 16-bit", 60, true, 2024, 7, 8, 19, 55, 58, false, false},
    {"seven minutes later", 45, true, 2024, 7, 8, 20, 3, 12, false, false},
    {"three days later", 45, true, 2024, 7, 11, 9, 30, 0, false, false},
    {"undated stretch, longer than the detector's gap", 30, false, 0, 0, 0, 0, 0, 0, false, false},
    {"16:9 picture", 45, true, 2024, 7, 11, 9, 41, 5, true, false},
    {"32 kHz 12-bit sound", 45, true, 2024, 7, 11, 9, 52, 40, false, true},
    {"over midnight into the new year", 90, true, 2024, 12, 31, 23, 59, 58, false, false},
};

constexpr std::size_t kSequence = 12000;
constexpr std::size_t kBlock = 80;

// Pack types of IEC 61834.
constexpr std::uint8_t kTimecodePack = 0x13;
constexpr std::uint8_t kAudioSourcePack = 0x50;
constexpr std::uint8_t kAudioSourceControlPack = 0x51;
constexpr std::uint8_t kAudioRecDatePack = 0x52;
constexpr std::uint8_t kAudioRecTimePack = 0x53;
constexpr std::uint8_t kSourceControlPack = 0x61;
constexpr std::uint8_t kRecDatePack = 0x62;
constexpr std::uint8_t kRecTimePack = 0x63;

// Offsets inside a DIF sequence.
constexpr std::size_t kSubcodeBlocks[] = {1 * kBlock, 2 * kBlock};
constexpr std::size_t kVauxBlocks[] = {3 * kBlock, 4 * kBlock, 5 * kBlock};
constexpr std::size_t kMainSourceControl = 453; // VAUX block 2, packs 10 to 12
constexpr std::size_t kMainRecDate = 458;
constexpr std::size_t kMainRecTime = 463;

using Pack = std::array<std::uint8_t, 5>;
constexpr Pack kNoPack{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

[[nodiscard]] std::uint8_t Bcd(int value)
{
    return static_cast<std::uint8_t>((value / 10) << 4 | value % 10);
}

void Put(std::uint8_t* at, const Pack& pack)
{
    std::copy(pack.begin(), pack.end(), at);
}

[[nodiscard]] int SequencesOf(TapeSystem system)
{
    return system == TapeSystem::Ntsc ? 10 : 12;
}

struct SceneFrame
{
    const TestTapeScene* scene;
    int sceneNumber;
    int offset; // frame index inside the scene
};

[[nodiscard]] SceneFrame SceneOf(int index)
{
    const int last = static_cast<int>(std::size(kScenes)) - 1;
    int start = 0;
    for (int s = 0; s < last; ++s) {
        if (index < start + kScenes[s].frames)
            return {&kScenes[s], s, index - start};
        start += kScenes[s].frames;
    }
    return {&kScenes[last], last, index - start};
}

// Recording date and time of a frame: the scene's start plus the whole seconds elapsed.
[[nodiscard]] DateTimeParts RecordingTimeOf(const SceneFrame& at, TapeSystem system)
{
    const TestTapeScene& scene = *at.scene;
    const std::int64_t elapsed =
        system == TapeSystem::Ntsc ? std::int64_t{at.offset} * 1001 / 30000 : at.offset / 25;
    const TDateTime start =
        TryEncodeDateTime(scene.year, scene.month, scene.day, scene.hour, scene.minute, scene.second)
            .value_or(0);
    return DecodeDateTime(start + static_cast<double>(elapsed) / SecsPerDay);
}

// Audio samples on the tape before frame index, spread so that every second holds exactly the
// sampling rate.
[[nodiscard]] std::int64_t SamplesBefore(std::int64_t index, int rate, TapeSystem system)
{
    const std::int64_t perSecondNum = system == TapeSystem::Ntsc ? std::int64_t{rate} * 1001 : rate;
    const std::int64_t perSecondDen = system == TapeSystem::Ntsc ? 30000 : 25;
    return index * perSecondNum / perSecondDen;
}

[[nodiscard]] int SamplesInFrame(int index, int rate, TapeSystem system)
{
    return static_cast<int>(SamplesBefore(index + 1, rate, system) - SamplesBefore(index, rate, system));
}

// The tape's sound: a 1 kHz tone at a quarter of full scale on both channels, continuous from
// frame to frame. The 32 kHz scene carries it in the 12-bit code on its first pair; its second
// pair is silent.
constexpr int kToneHz = 1000;

void WriteTone(std::vector<std::uint8_t>& frame, int index, TapeSystem system, bool twelveBit)
{
    const int rate = twelveBit ? 32000 : 48000;
    const int count = SamplesInFrame(index, rate, system);
    const std::int64_t first = SamplesBefore(index, rate, system);
    std::vector<std::int16_t> stereo(static_cast<std::size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
        const double phase = 2.0 * M_PI * kToneHz * static_cast<double>((first + i) % rate) / rate;
        const auto sample = static_cast<std::int16_t>(std::lround(8192.0 * std::sin(phase)));
        stereo[static_cast<std::size_t>(i) * 2] = sample;
        stereo[static_cast<std::size_t>(i) * 2 + 1] = sample;
    }
    if (twelveBit)
        DvWrite12BitAudioPair(frame, 0, stereo, count);
    else
        DvWriteAudio(frame, stereo, count, rate);
}

[[nodiscard]] int MinimumSamples(int rate, TapeSystem system)
{
    if (system == TapeSystem::Ntsc)
        return rate == 32000 ? 1053 : 1580;
    return rate == 32000 ? 1264 : 1896;
}

struct FramePacks
{
    Pack timecode = kNoPack;
    Pack recDate = kNoPack;
    Pack recTime = kNoPack;
    Pack audioRecDate = kNoPack;
    Pack audioRecTime = kNoPack;
    Pack sourceControl = kNoPack;
    Pack audioSource = kNoPack;
    Pack audioSourceControl = kNoPack;
};

[[nodiscard]] FrameLook LookOf(int index, TapeSystem system)
{
    const SceneFrame at = SceneOf(index);
    FrameLook look{std::nullopt, at.scene->wide, at.scene->audio32k12bit, at.sceneNumber};
    if (at.scene->dated)
        look.recorded = RecordingTimeOf(at, system);
    return look;
}

[[nodiscard]] FramePacks PacksOf(int index, TapeSystem system, const FrameLook& look)
{
    const bool ntsc = system == TapeSystem::Ntsc;
    FramePacks packs;

    // Colour frame and drop-frame flags on 525/60, binary group flags set.
    const TapeTimecode tc = TestTapeTimecode(index, system);
    packs.timecode = {kTimecodePack, static_cast<std::uint8_t>((ntsc ? 0xC0 : 0x80) | Bcd(tc.frames)),
                      static_cast<std::uint8_t>(0x80 | Bcd(tc.seconds)),
                      static_cast<std::uint8_t>(0x80 | Bcd(tc.minutes)),
                      static_cast<std::uint8_t>(0xC0 | Bcd(tc.hours))};

    if (look.recorded) {
        const DateTimeParts& when = *look.recorded;
        // PC1 0xFF: no time zone recorded. The day of the week (PC3 bits 5 to 7) is 0 for Sunday.
        const auto weekDay = static_cast<std::uint8_t>((when.dayOfWeek - 1) << 5);
        const std::uint8_t day = 0xC0 | Bcd(when.day);
        const std::uint8_t month = weekDay | Bcd(when.month);
        const std::uint8_t year = Bcd(when.year % 100);
        const std::uint8_t second = 0x80 | Bcd(when.second);
        const std::uint8_t minute = 0x80 | Bcd(when.minute);
        const std::uint8_t hour = 0xC0 | Bcd(when.hour);
        packs.recDate = {kRecDatePack, 0xFF, day, month, year};
        packs.recTime = {kRecTimePack, 0xFF, second, minute, hour};
        packs.audioRecDate = {kAudioRecDatePack, 0xFF, day, month, year};
        packs.audioRecTime = {kAudioRecTimePack, 0xFF, second, minute, hour};
    }

    // Copy free, recording in progress, original camera recording; display mode 7 is full 16:9
    // for a tape whose subcode application id is 0.
    packs.sourceControl = {kSourceControlPack, 0x03, static_cast<std::uint8_t>(0xC8 | (look.wide ? 7 : 0)),
                           0xFC, 0xFF};

    const int rate = look.audio32k12bit ? 32000 : 48000;
    const int extra = SamplesInFrame(index, rate, system) - MinimumSamples(rate, system);
    // Locked audio, two channels (four at 32 kHz 12-bit, in two pairs), emphasis off.
    packs.audioSource = {kAudioSourcePack, static_cast<std::uint8_t>(0x40 | (extra & 0x3F)),
                         static_cast<std::uint8_t>(look.audio32k12bit ? 0x30 : 0x00),
                         static_cast<std::uint8_t>(ntsc ? 0xC0 : 0xE0),
                         static_cast<std::uint8_t>(look.audio32k12bit ? 0xC0 | 2 << 3 | 1 : 0xC0)};
    packs.audioSourceControl = {kAudioSourceControlPack, 0x03, 0xCF, 0xA0, 0xFF};
    return packs;
}

void StampSequence(std::uint8_t* sequence, int k, const FramePacks& packs, bool keepSamples)
{
    // Header: every application id 0, as on a consumer (IEC 61834) tape.
    for (std::size_t i = 4; i <= 7; ++i)
        sequence[i] &= 0xF8;

    // Subcode: six sync blocks in each of the two blocks, timecode in sync blocks 0 and 3.
    for (std::size_t block : kSubcodeBlocks) {
        for (std::size_t syncBlock = 0; syncBlock < 6; ++syncBlock) {
            std::uint8_t* pack = sequence + block + 3 + syncBlock * 8 + 3;
            switch (syncBlock % 3) {
            case 0:
                Put(pack, packs.timecode);
                break;
            case 1:
                Put(pack, packs.recDate);
                break;
            default:
                Put(pack, packs.recTime);
                break;
            }
        }
    }

    // VAUX: the encoder's source control packs get the scene's aspect; the main area carries
    // source control, recording date and recording time.
    for (std::size_t block : kVauxBlocks) {
        for (std::size_t p = 0; p < 15; ++p) {
            std::uint8_t* pack = sequence + block + 3 + p * 5;
            if (*pack == kSourceControlPack)
                Put(pack, packs.sourceControl);
        }
    }
    Put(sequence + kMainSourceControl, packs.sourceControl);
    Put(sequence + kMainRecDate, packs.recDate);
    Put(sequence + kMainRecTime, packs.recTime);

    // Audio: nine blocks after the six header blocks, one every sixteen. The AAUX packs stand in
    // blocks 3 to 6 of even sequences and 0 to 3 of odd ones; without sound the samples are silence.
    const std::size_t firstPackBlock = k % 2 == 0 ? 3 : 0;
    const Pack aaux[4] = {packs.audioSource, packs.audioSourceControl, packs.audioRecDate,
                          packs.audioRecTime};
    for (std::size_t a = 0; a < 9; ++a) {
        std::uint8_t* block = sequence + (6 + a * 16) * kBlock;
        const bool carries = a >= firstPackBlock && a < firstPackBlock + 4;
        Put(block + 3, carries ? aaux[a - firstPackBlock] : kNoPack);
        if (!keepSamples)
            std::fill(block + 8, block + kBlock, 0x00);
    }
}

// Colour bars drifting left, a white box sweeping right, and a background tint per scene.
void PaintPattern(AVFrame& frame, int index, int sceneNumber)
{
    static constexpr std::uint8_t kBarY[] = {235, 210, 170, 145, 106, 81, 41, 16};
    static constexpr std::uint8_t kBarU[] = {128, 16, 166, 54, 202, 90, 240, 128};
    static constexpr std::uint8_t kBarV[] = {128, 146, 16, 34, 222, 240, 110, 128};
    const int width = frame.width;
    const int height = frame.height;
    const int shift = index * 4;
    const int boxX = (index * 6) % (width - 96);
    const int boxY = height / 2 - 48;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = frame.data[0] + y * frame.linesize[0];
        for (int x = 0; x < width; ++x) {
            const bool box = x >= boxX && x < boxX + 96 && y >= boxY && y < boxY + 96;
            const bool band = y >= height * 3 / 4;
            row[x] = box    ? 235
                     : band ? static_cast<std::uint8_t>(40 + sceneNumber * 25)
                            : kBarY[((x + shift) * 8 / width) % 8];
        }
    }
    const int chromaShiftX = frame.format == AV_PIX_FMT_YUV411P ? 2 : 1;
    const int chromaShiftY = frame.format == AV_PIX_FMT_YUV411P ? 0 : 1;
    const int chromaWidth = width >> chromaShiftX;
    const int chromaHeight = height >> chromaShiftY;
    for (int y = 0; y < chromaHeight; ++y) {
        std::uint8_t* u = frame.data[1] + y * frame.linesize[1];
        std::uint8_t* v = frame.data[2] + y * frame.linesize[2];
        for (int x = 0; x < chromaWidth; ++x) {
            const int lumaX = x << chromaShiftX;
            const int lumaY = y << chromaShiftY;
            const bool box = lumaX >= boxX && lumaX < boxX + 96 && lumaY >= boxY && lumaY < boxY + 96;
            const bool band = lumaY >= height * 3 / 4;
            const int bar = ((lumaX + shift) * 8 / width) % 8;
            u[x] = box ? 128 : band ? static_cast<std::uint8_t>(64 + sceneNumber * 20) : kBarU[bar];
            v[x] = box ? 128 : band ? static_cast<std::uint8_t>(192 - sceneNumber * 20) : kBarV[bar];
        }
    }
}

// Segments a to g of a seven-segment digit, bit 0 for a.
constexpr std::uint8_t kDigitSegments[] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

// Writes text of digits, '/' and ':' large in white on a black box, so that a picture shows its
// recording date and time at a glance. Luma only, chroma made neutral under the box.
void PaintBigText(AVFrame& frame, const std::string& text, int left, int top)
{
    constexpr int kWidth = 24, kHeight = 44, kStroke = 5, kAdvance = 32, kMargin = 6;
    const int boxRight = std::min(frame.width, left + static_cast<int>(text.size()) * kAdvance + kMargin);
    const int boxBottom = std::min(frame.height, top + kHeight + kMargin);
    const int boxLeft = std::max(0, left - kMargin);
    const int boxTop = std::max(0, top - kMargin);
    const auto luma = [&](int x, int y) -> std::uint8_t& { return frame.data[0][y * frame.linesize[0] + x]; };
    for (int y = boxTop; y < boxBottom; ++y)
        for (int x = boxLeft; x < boxRight; ++x)
            luma(x, y) = 16;
    const int chromaShiftX = frame.format == AV_PIX_FMT_YUV411P ? 2 : 1;
    const int chromaShiftY = frame.format == AV_PIX_FMT_YUV411P ? 0 : 1;
    for (int y = boxTop >> chromaShiftY; y < boxBottom >> chromaShiftY; ++y)
        for (int x = boxLeft >> chromaShiftX; x < boxRight >> chromaShiftX; ++x) {
            frame.data[1][y * frame.linesize[1] + x] = 128;
            frame.data[2][y * frame.linesize[2] + x] = 128;
        }
    const auto fill = [&](int x0, int y0, int w, int h) {
        for (int y = std::max(y0, 0); y < std::min(y0 + h, frame.height); ++y)
            for (int x = std::max(x0, 0); x < std::min(x0 + w, frame.width); ++x)
                luma(x, y) = 235;
    };
    const int half = kHeight / 2;
    for (std::size_t c = 0; c < text.size(); ++c) {
        const int x = left + static_cast<int>(c) * kAdvance;
        const char ch = text[c];
        if (ch == ':') {
            fill(x + kWidth / 2 - 2, top + half / 2, kStroke, kStroke);
            fill(x + kWidth / 2 - 2, top + half + half / 2, kStroke, kStroke);
            continue;
        }
        if (ch == '/') {
            for (int k = 0; k < kHeight; ++k)
                fill(x + (kHeight - k) * kWidth / kHeight - kStroke / 2, top + k, kStroke, 1);
            continue;
        }
        if ((ch < '0' || ch > '9') && ch != '-')
            continue;
        const std::uint8_t on = ch == '-' ? 0x40 : kDigitSegments[ch - '0'];
        const auto segment = [&](int bit, int sx, int sy, int w, int h) {
            if (on & (1 << bit))
                fill(x + sx, top + sy, w, h);
        };
        segment(0, 0, 0, kWidth, kStroke);                  // a
        segment(1, kWidth - kStroke, 0, kStroke, half);     // b
        segment(2, kWidth - kStroke, half, kStroke, half);  // c
        segment(3, 0, kHeight - kStroke, kWidth, kStroke);  // d
        segment(4, 0, half, kStroke, half);                 // e
        segment(5, 0, 0, kStroke, half);                    // f
        segment(6, 0, half - kStroke / 2, kWidth, kStroke); // g
    }
}

[[nodiscard]] std::string TwoDigits(int value)
{
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

// The recording date and time drawn on the picture, or dashes on an undated frame.
void PaintRecordingTime(AVFrame& frame, const std::optional<DateTimeParts>& recorded)
{
    std::string date = "----/--/--";
    std::string time = "--:--:--";
    if (recorded) {
        date = TwoDigits(recorded->year / 100) + TwoDigits(recorded->year) + "/" +
               TwoDigits(recorded->month) + "/" + TwoDigits(recorded->day);
        time =
            TwoDigits(recorded->hour) + ":" + TwoDigits(recorded->minute) + ":" + TwoDigits(recorded->second);
    }
    PaintBigText(frame, date, 48, 40);
    PaintBigText(frame, time, 48, 100);
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

} // namespace

struct TestTape::Encoder
{
    std::unique_ptr<AVCodecContext, CodecContextFree> context;
    std::unique_ptr<AVFrame, FrameFree> picture;
    std::unique_ptr<AVPacket, PacketFree> packet;
    bool wide = false;
    QString error;
};

std::span<const TestTapeScene> TestTapeScenes()
{
    return kScenes;
}

int TestTapeSceneFrames()
{
    return std::accumulate(std::begin(kScenes), std::end(kScenes), 0,
                           [](int sum, const TestTapeScene& scene) { return sum + scene.frames; });
}

std::size_t TapeFrameSize(TapeSystem system)
{
    return kSequence * static_cast<std::size_t>(SequencesOf(system));
}

TapeTimecode TestTapeTimecode(int index, TapeSystem system)
{
    if (system == TapeSystem::Pal)
        return {index / 90000 % 24, index / 1500 % 60, index / 25 % 60, index % 25};
    // Frame numbers 0 and 1 are skipped at each minute except every tenth: 17982 frames in ten minutes.
    const int tenMinutes = index / 17982;
    const int rest = index % 17982;
    int counted = index + 18 * tenMinutes;
    if (rest >= 2)
        counted += 2 * ((rest - 2) / 1798);
    return {counted / 108000 % 24, counted / 1800 % 60, counted / 30 % 60, counted % 30};
}

TestTape::TestTape(TapeSystem system) : m_system(system), m_encoder(std::make_unique<Encoder>())
{
    m_encoder->picture.reset(av_frame_alloc());
    m_encoder->packet.reset(av_packet_alloc());
}

TestTape::~TestTape() = default;

std::optional<QString> TestTape::RenderFrame(int index, std::vector<std::uint8_t>& out)
{
    if (index < 0)
        return QStringLiteral("frame index %1 is before the start of the tape").arg(index);
    return Render(index, LookOf(index, m_system), out);
}

std::optional<QString> TestTape::RenderLiveFrame(int index, TDateTime now, std::vector<std::uint8_t>& out)
{
    if (index < 0)
        return QStringLiteral("frame index %1 is before the start of the tape").arg(index);
    return Render(index, FrameLook{DecodeDateTime(now), false, false, 0}, out);
}

std::optional<QString> TestTape::Render(int index, const FrameLook& look, std::vector<std::uint8_t>& out)
{
    Encoder& encoder = *m_encoder;
    const bool ntsc = m_system == TapeSystem::Ntsc;

    // The encoder is opened again when the aspect changes, since it records the aspect itself.
    if (!encoder.context || encoder.wide != look.wide) {
        encoder.context.reset();
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
        if (!codec)
            return QStringLiteral("libavcodec has no dvvideo encoder");
        std::unique_ptr<AVCodecContext, CodecContextFree> context(avcodec_alloc_context3(codec));
        if (!context || !encoder.picture || !encoder.packet)
            return QStringLiteral("out of memory for the dvvideo encoder");
        context->width = 720;
        context->height = ntsc ? 480 : 576;
        context->pix_fmt = ntsc ? AV_PIX_FMT_YUV411P : AV_PIX_FMT_YUV420P;
        context->time_base = ntsc ? AVRational{1001, 30000} : AVRational{1, 25};
        context->framerate = AVRational{context->time_base.den, context->time_base.num};
        context->sample_aspect_ratio = look.wide ? (ntsc ? AVRational{40, 33} : AVRational{16, 11})
                                                 : (ntsc ? AVRational{10, 11} : AVRational{12, 11});
        if (avcodec_open2(context.get(), codec, nullptr) < 0)
            return QStringLiteral("cannot open the dvvideo encoder");
        encoder.context = std::move(context);
        encoder.wide = look.wide;

        AVFrame& picture = *encoder.picture;
        av_frame_unref(&picture);
        picture.width = encoder.context->width;
        picture.height = encoder.context->height;
        picture.format = encoder.context->pix_fmt;
        if (av_frame_get_buffer(&picture, 0) < 0)
            return QStringLiteral("out of memory for the test picture");
    }

    AVFrame& picture = *encoder.picture;
    if (av_frame_make_writable(&picture) < 0)
        return QStringLiteral("out of memory for the test picture");
    PaintPattern(picture, index, look.sceneNumber);
    PaintRecordingTime(picture, look.recorded);
    picture.pts = index;
    if (avcodec_send_frame(encoder.context.get(), &picture) < 0)
        return QStringLiteral("the dvvideo encoder refused frame %1").arg(index);
    if (avcodec_receive_packet(encoder.context.get(), encoder.packet.get()) < 0)
        return QStringLiteral("the dvvideo encoder gave no frame %1").arg(index);
    const std::size_t size = TapeFrameSize(m_system);
    if (static_cast<std::size_t>(encoder.packet->size) != size) {
        av_packet_unref(encoder.packet.get());
        return QStringLiteral("the dvvideo encoder gave %1 bytes for a %2-byte frame")
            .arg(encoder.packet->size)
            .arg(size);
    }
    out.assign(encoder.packet->data, encoder.packet->data + size);
    av_packet_unref(encoder.packet.get());

    // 16-bit sound is written with its own packs, which the stamp then replaces by the tape's; the
    // 12-bit tone goes into samples the stamp has cleared.
    const bool twelveBit = look.audio32k12bit;
    if (!twelveBit)
        WriteTone(out, index, m_system, false);
    const FramePacks packs = PacksOf(index, m_system, look);
    for (int k = 0; k < SequencesOf(m_system); ++k)
        StampSequence(out.data() + kSequence * static_cast<std::size_t>(k), k, packs, !twelveBit);
    if (twelveBit)
        WriteTone(out, index, m_system, true);
    return std::nullopt;
}

} // namespace camtrove::media
