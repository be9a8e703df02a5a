#include "graph/acm_format.h"
#include "graph/graph_pins.h"
#include "graph_rig.h"
#include "support/avi_capture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <optional>

namespace camtrove::graph {
namespace {

using namespace testing;
using testsupport::AvStream;
using testsupport::ReadWithLibav;

TEST(AcmCaptureRate, KeepsADVCamcordersRateOnlyWhenBothKeysAskAndDVKnowsIt)
{
    struct Row
    {
        const char* what;
        TAcmRateChoice choice;
        std::int32_t rate;
    };
    const Row rows[] = {
        {"camcorder 32 kHz kept", {true, true, true, 32000, 3}, 32000},
        {"camcorder 44.1 kHz kept", {true, true, true, 44100, 1}, 44100},
        {"keep format clear", {false, true, true, 32000, 7}, 44100},
        {"native frequency clear", {true, false, true, 32000, 7}, 44100},
        {"video source not a camcorder", {true, true, false, 32000, 3}, 48000},
        {"rate DV does not know", {true, true, true, 22050, 1}, 32000},
        {"FrequenceDV 1", {false, false, false, 48000, 1}, 32000},
        {"FrequenceDV 2", {false, false, false, 48000, 2}, 44100},
        {"FrequenceDV 3", {false, false, false, 32000, 3}, 48000},
        {"FrequenceDV 0", {false, false, false, 32000, 0}, 44100},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AcmCaptureRate(row.choice), row.rate) << row.what;
}

TEST(AcmCaptureType, MakesSixteenBitStereoWhoseBlockAndByteRateAgreeAndKeepsTheRest)
{
    auto mono8 = media::MakePcmAudioType(22050, 8, 1);
    mono8.format.resize(sizeof(media::WAVEFORMATEX) + 2, 0xAB); // extra bytes behind the block stay
    const auto type = AcmCaptureType(mono8, 32000);
    const auto* wave = type.FormatAs<media::WAVEFORMATEX>();
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(type.majortype, media::MEDIATYPE_Audio);
    EXPECT_EQ(type.subtype, media::MEDIASUBTYPE_PCM);
    EXPECT_EQ(type.formattype, media::FORMAT_WaveFormatEx);
    EXPECT_EQ(wave->wFormatTag, media::WAVE_FORMAT_PCM);
    EXPECT_EQ(wave->nChannels, 2);
    EXPECT_EQ(wave->wBitsPerSample, 16);
    EXPECT_EQ(wave->nSamplesPerSec, 32000u);
    EXPECT_EQ(wave->nAvgBytesPerSec, 128000u);
    EXPECT_EQ(wave->nBlockAlign, 4);
    EXPECT_EQ(type.format.size(), mono8.format.size());
    EXPECT_EQ(type.format.back(), 0xAB);
}

// The stream types ("iavs", "vids", "auds") of an AVI file's stream headers, read from its bytes.
std::vector<std::string> StreamHeaderTypes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(1 << 16);
    std::vector<std::string> types;
    for (qsizetype at = head.indexOf("strh"); at >= 0 && at + 12 <= head.size();
         at = head.indexOf("strh", at + 4))
        types.emplace_back(head.constData() + at + 8, 4);
    return types;
}

quint32 Le32(const QByteArray& bytes, qsizetype at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(bytes[at + i]);
    return value;
}

// The RIFF size and the data chunk's size of a WAV file agree with the file's length.
void ExpectWaveHeaderMatchesData(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 44);
    EXPECT_EQ(bytes.left(4), "RIFF");
    EXPECT_EQ(bytes.mid(8, 4), "WAVE");
    EXPECT_EQ(Le32(bytes, 4), static_cast<quint32>(bytes.size() - 8));
    const qsizetype data = bytes.indexOf("data", 12);
    ASSERT_GT(data, 0);
    EXPECT_EQ(Le32(bytes, data + 4), static_cast<quint32>(bytes.size() - data - 8));
}

QStringList Sorted(QStringList names)
{
    names.sort();
    return names;
}

std::uint64_t FramesShown(Tdm& dm)
{
    const auto frame = dm.VideoRenderer()->LatestFrame();
    return frame ? frame->number : 0;
}

// A rig with the chosen sources active and the preview running, as a capture finds it.
struct Preview
{
    Preview(const QString& video, const QString& audio) : rig({1, false}, LiveCamcorder())
    {
        if (!video.isEmpty()) {
            EXPECT_TRUE(rig.dm.ActivateVideoSource(&rig.Video(video)));
        }
        if (!audio.isEmpty()) {
            EXPECT_TRUE(rig.dm.ActivateAudioSource(&rig.Audio(audio)));
        }
        EXPECT_TRUE(rig.dm.RunGraph());
        QThread::msleep(200);
        rig.dm.StopGraph();
        names = Sorted(rig.FilterNames());
    }
    ~Preview() { rig.dm.StopGraph(); }

    // The preview's filters are back and pictures reach the video window again.
    void ExpectPreviewRestored()
    {
        EXPECT_EQ(Sorted(rig.FilterNames()), names);
        ASSERT_TRUE(rig.dm.RunGraph());
        const std::uint64_t before = FramesShown(rig.dm);
        QThread::msleep(300);
        if (rig.dm.ActiveVideoSource) {
            EXPECT_GT(FramesShown(rig.dm), before) << "the preview runs after the capture";
        }
        rig.dm.StopGraph();
    }

    Rig rig;
    QStringList names;
};

struct ChainCase
{
    const char* name;
    QString video;
    QString audio;
    CaptureFormat format;
    std::vector<std::string> headerTypes; // empty for a WAV file
    std::vector<AVCodecID> codecs;        // libavformat's streams, in order
    int width;                            // of the picture, 0 for none
    int sampleRate;                       // of the sound, 0 for none
    std::uint8_t frequenceDV = 3;
};

class CaptureChains : public ::testing::TestWithParam<ChainCase>
{
};

TEST_P(CaptureChains, WriteAFileThatPlaysForTheTimeRunAndGiveThePreviewBack)
{
    const auto& c = GetParam();
    QTemporaryDir folder;
    const QString file =
        folder.filePath(QStringLiteral("capture") + CaptureFormatExtension(CodeOf(c.format)));
    Preview preview(c.video, c.audio);
    auto& dm = preview.rig.dm;
    dm.Preferences.frequenceDV = c.frequenceDV;
    auto* camcorderWindow = dm.ActiveVideoSource ? dm.ActiveVideoSource->CamcorderWindow : nullptr;

    ASSERT_TRUE(dm.BuildCaptureChain(CodeOf(c.format), file));
    QElapsedTimer run;
    ASSERT_TRUE(dm.RunGraph());
    run.start();
    QThread::msleep(2000);
    dm.StopGraph();
    const double seconds = static_cast<double>(run.elapsed()) / 1000.0;
    const double frameRate = dm.NativeVideo.FrameRate;
    EXPECT_TRUE(dm.TeardownCapture());
    preview.ExpectPreviewRestored();
    if (dm.ActiveVideoSource) {
        EXPECT_EQ(dm.ActiveVideoSource->CamcorderWindow, camcorderWindow) << "the camcorder keeps its window";
    }

    if (c.headerTypes.empty()) {
        ExpectWaveHeaderMatchesData(file);
    } else {
        EXPECT_EQ(StreamHeaderTypes(file), c.headerTypes);
    }
    const auto streams = ReadWithLibav(file.toStdString());
    std::vector<AVCodecID> codecs;
    for (const auto& s : streams)
        codecs.push_back(s.codec);
    ASSERT_EQ(codecs, c.codecs);
    for (const auto& s : streams) {
        if (s.type == AVMEDIA_TYPE_VIDEO) {
            if (c.width != 0) {
                EXPECT_EQ(s.width, c.width);
            }
            const double expected = seconds * frameRate;
            EXPECT_NEAR(static_cast<double>(s.packets.size()), expected, 5.0) << seconds << " s";
        } else if (s.type == AVMEDIA_TYPE_AUDIO) {
            EXPECT_EQ(s.sampleRate, c.sampleRate);
            EXPECT_EQ(s.channels, 2);
            // DV type 1 sound lives inside the frames.
            if (c.format != CaptureFormat::DvType1Native) {
                EXPECT_NEAR(static_cast<double>(s.bytes) / (c.sampleRate * 4.0), seconds, 0.25);
            }
        }
    }
}

// The test camcorder is PAL: 720x576 at 25 frames a second with 48 kHz sound; the test camera's
// native stream is uncompressed; the ACM output follows "FrequenceDV", 48 kHz by default, and some
// cases ask for another rate so that the converter's output is reconnected with it.
INSTANTIATE_TEST_SUITE_P(Graph, CaptureChains,
                         ::testing::Values(ChainCase{"DvType1FromTheCamcorder",
                                                     "DV Source - Video",
                                                     "DV Source - Audio",
                                                     CaptureFormat::DvType1Native,
                                                     {"iavs"},
                                                     {AV_CODEC_ID_DVVIDEO, AV_CODEC_ID_PCM_S16LE},
                                                     720,
                                                     48000},
                                           ChainCase{"DvType2FromTheCamcorder",
                                                     "DV Source - Video",
                                                     "DV Source - Audio",
                                                     CaptureFormat::DvType2Native,
                                                     {"vids", "auds"},
                                                     {AV_CODEC_ID_DVVIDEO, AV_CODEC_ID_PCM_S16LE},
                                                     720,
                                                     44100,
                                                     2},
                                           ChainCase{"AviNativeFromTheCamera",
                                                     "Camtrove Test Camera",
                                                     "Camtrove Test Sound Card",
                                                     CaptureFormat::AviNative,
                                                     {"vids", "auds"},
                                                     {AV_CODEC_ID_RAWVIDEO, AV_CODEC_ID_PCM_S16LE},
                                                     0,
                                                     32000,
                                                     1},
                                           ChainCase{"RecompressedFromTheCamcorder",
                                                     "DV Source - Video",
                                                     "DV Source - Audio",
                                                     CaptureFormat::DvType2Recomp,
                                                     {"vids", "auds"},
                                                     {AV_CODEC_ID_DVVIDEO, AV_CODEC_ID_PCM_S16LE},
                                                     720,
                                                     48000},
                                           ChainCase{"RecompressedFromTheCamera",
                                                     "Camtrove Test Camera",
                                                     "Camtrove Test Sound Card",
                                                     CaptureFormat::DvType2Recomp,
                                                     {"vids", "auds"},
                                                     {AV_CODEC_ID_DVVIDEO, AV_CODEC_ID_PCM_S16LE},
                                                     720,
                                                     48000},
                                           ChainCase{"WavFromTheSoundCard",
                                                     "Camtrove Test Camera",
                                                     "Camtrove Test Sound Card",
                                                     CaptureFormat::Wav,
                                                     {},
                                                     {AV_CODEC_ID_PCM_S16LE},
                                                     0,
                                                     32000,
                                                     1},
                                           ChainCase{"WavFromTheCamcordersSound",
                                                     "DV Source - Video",
                                                     "DV Source - Audio",
                                                     CaptureFormat::Wav,
                                                     {},
                                                     {AV_CODEC_ID_PCM_S16LE},
                                                     0,
                                                     48000}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RecompressCase
{
    const char* name;
    QString video;
    QString audio;
    TdmPreferences preferences;
    int height;
    std::optional<bool> wide; // unset: the camcorder's own aspect
    int sampleRate;
};

TdmPreferences DVPreferences(std::uint8_t standard, std::uint8_t ratio, bool keep, std::uint8_t frequency)
{
    TdmPreferences preferences;
    preferences.standardDV = standard;
    preferences.ratioDV = ratio;
    preferences.garderFormatDV = keep;
    preferences.frequenceDV = frequency;
    preferences.frequenceDVNative = true;
    return preferences;
}

class RecompressedDV : public ::testing::TestWithParam<RecompressCase>
{
};

TEST_P(RecompressedDV, FollowsTheStandardRatioAndRateOrKeepsTheCamcordersFormat)
{
    const auto& c = GetParam();
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("recomp.avi"));
    Preview preview(c.video, c.audio);
    auto& dm = preview.rig.dm;
    dm.Preferences = c.preferences;

    ASSERT_TRUE(dm.BuildCaptureChain(CodeOf(CaptureFormat::DvType2Recomp), file));
    ASSERT_TRUE(dm.RunGraph());
    QThread::msleep(1000);
    dm.StopGraph();
    EXPECT_TRUE(dm.TeardownCapture());

    const auto streams = ReadWithLibav(file.toStdString());
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(streams[0].width, 720);
    EXPECT_EQ(streams[0].height, c.height);
    EXPECT_GT(streams[0].packets.size(), 10u);
    if (c.wide) {
        const double aspect = av_q2d(streams[0].sampleAspect) * 720.0 / c.height;
        EXPECT_NEAR(aspect, *c.wide ? 16.0 / 9.0 : 4.0 / 3.0, 0.1);
    }
    EXPECT_EQ(streams[1].sampleRate, c.sampleRate);
}

INSTANTIATE_TEST_SUITE_P(
    Graph, RecompressedDV,
    ::testing::Values(RecompressCase{"CameraToNtsc4x3At32kHz", "Camtrove Test Camera",
                                     "Camtrove Test Sound Card", DVPreferences(1, 0, false, 1), 480, false,
                                     32000},
                      RecompressCase{"CamcorderToNtsc16x9At44kHz", "DV Source - Video", "DV Source - Audio",
                                     DVPreferences(1, 1, false, 2), 480, true, 44100},
                      RecompressCase{"CamcorderKeepsItsPalAndItsRate", "DV Source - Video",
                                     "DV Source - Audio", DVPreferences(1, 1, true, 1), 576, std::nullopt,
                                     48000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptureChain, ImageByImageWritesOneFramePerOpeningOfTheControlFilterAndCallsItsStopHandler)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("images.avi"));
    Preview preview(QStringLiteral("DV Source - Video"), QStringLiteral("DV Source - Audio"));
    auto& dm = preview.rig.dm;
    std::atomic<int> stops{0};

    ASSERT_TRUE(dm.BuildCaptureChain(CodeOf(CaptureFormat::ImageByImage), file, [&stops] { ++stops; }));
    ASSERT_TRUE(dm.RunGraph());
    QThread::msleep(300);
    constexpr int kTriggers = 4;
    for (int i = 0; i < kTriggers; ++i) {
        dm.ControlFilter->Gate.store(true);
        QElapsedTimer waited;
        waited.start();
        while (dm.ControlFilter->Gate.load() && waited.elapsed() < 5000)
            QThread::msleep(5);
        EXPECT_FALSE(dm.ControlFilter->Gate.load()) << "a frame passed the gate " << i;
        QThread::msleep(150);
    }
    dm.StopGraph();
    EXPECT_EQ(stops.load(), 1);
    EXPECT_TRUE(dm.TeardownCapture());
    preview.ExpectPreviewRestored();
    EXPECT_EQ(stops.load(), 1) << "the handler leaves with the chain";

    EXPECT_EQ(StreamHeaderTypes(file), std::vector<std::string>{"vids"});
    const auto streams = ReadWithLibav(file.toStdString());
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(streams[0].packets.size(), static_cast<std::size_t>(kTriggers));
}

TEST(CaptureChain, CodesWithoutAChainYetFailAndLeaveThePreviewAsItWas)
{
    QTemporaryDir folder;
    Preview preview(QStringLiteral("Camtrove Test Camera"), QStringLiteral("Camtrove Test Sound Card"));
    auto& dm = preview.rig.dm;
    for (const auto format : {CaptureFormat::Mpeg2Native, CaptureFormat::Mpeg1Native, CaptureFormat::Wmv,
                              CaptureFormat::Divx, CaptureFormat::Mp3}) {
        const QString file = folder.filePath(QStringLiteral("x") + CaptureFormatExtension(CodeOf(format)));
        EXPECT_FALSE(dm.BuildCaptureChain(CodeOf(format), file)) << int(CodeOf(format));
        EXPECT_EQ(Sorted(preview.rig.FilterNames()), preview.names) << int(CodeOf(format));
        EXPECT_FALSE(QFile::exists(file));
    }
    EXPECT_FALSE(dm.BuildCaptureChain(13, folder.filePath(QStringLiteral("x.avi"))));
    for (const auto format : {CaptureFormat::None, CaptureFormat::Default}) {
        EXPECT_TRUE(dm.BuildCaptureChain(CodeOf(format), folder.filePath(QStringLiteral("x.avi"))));
        EXPECT_EQ(Sorted(preview.rig.FilterNames()), preview.names);
    }
    preview.ExpectPreviewRestored();
}

TEST(CaptureChain, AFolderThatCannotTakeTheFileFailsTheBuildAndLeavesThePreviewAsItWas)
{
    QTemporaryDir folder;
    QFile notAFolder(folder.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();
    Preview preview(QStringLiteral("DV Source - Video"), QStringLiteral("DV Source - Audio"));
    auto& dm = preview.rig.dm;
    // The WAV chain has joined its converter and wave writer when the file writer refuses the
    // name: a failure half-way.
    for (const auto format :
         {CaptureFormat::DvType1Native, CaptureFormat::DvType2Native, CaptureFormat::AviNative,
          CaptureFormat::DvType2Recomp, CaptureFormat::ImageByImage, CaptureFormat::Wav}) {
        const QString file =
            folder.filePath(QStringLiteral("plain/x") + CaptureFormatExtension(CodeOf(format)));
        EXPECT_FALSE(dm.BuildCaptureChain(CodeOf(format), file)) << int(CodeOf(format));
        EXPECT_EQ(Sorted(preview.rig.FilterNames()), preview.names) << int(CodeOf(format));
    }
    preview.ExpectPreviewRestored();
}

} // namespace
} // namespace camtrove::graph
