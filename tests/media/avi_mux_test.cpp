#include "media/core/filter_catalogue.h"
#include "support/avi_capture.h"
#include "support/dv_fixtures.h"
#include "support/dv_frame_forge.h"
#include "test_filters.h"

#include <QDir>
#include <QTemporaryDir>

#include <cctype>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>

namespace camtrove::media {
namespace {

using testsupport::AviCaptureGraph;
using testsupport::DvFrameForge;
using testsupport::DvLines;
using testsupport::ReadWithLibav;
using testsupport::RiffSegments;

using Frames = std::vector<std::vector<std::uint8_t>>;

AM_MEDIA_TYPE InterleavedDv()
{
    AM_MEDIA_TYPE type;
    type.majortype = MEDIATYPE_Interleaved;
    type.subtype = MEDIASUBTYPE_dvsd;
    type.bFixedSizeSamples = true;
    type.formattype = FORMAT_DvInfo;
    type.format.assign(32, 0);
    return type;
}

AM_MEDIA_TYPE DvVideo(bool is625)
{
    VIDEOINFOHEADER vih;
    vih.AvgTimePerFrame = is625 ? 400000 : 333667;
    vih.bmiHeader.biWidth = 720;
    vih.bmiHeader.biHeight = is625 ? 576 : 480;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = MakeFourCC('d', 'v', 's', 'd');
    vih.bmiHeader.biSizeImage = is625 ? 144000 : 120000;
    AM_MEDIA_TYPE type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_dvsd;
    type.bFixedSizeSamples = true;
    type.SetFormat(FORMAT_VideoInfo, vih);
    return type;
}

// Forged 625/50 frames with 48 kHz audio, each made unique by its timecode.
Frames ForgedFrames(int count)
{
    Frames frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(DvFrameForge::Encoded(DvLines::System625)
                             .AudioSource(0, 0)
                             .Timecode(0, i / 1500, i / 25 % 60, i % 25)
                             .Take());
    return frames;
}

// The audio samples a DV frame carries by its AAUX source pack: the system's minimum for the rate
// plus the pack's count above it.
int DvAudioSamples(const std::vector<std::uint8_t>& frame)
{
    const std::uint8_t* pack = frame.data() + testsupport::dvoffset::kAudioSource;
    const bool is625 = (frame[3] & 0x80) != 0;
    const int frequency = (pack[4] >> 3) & 7;
    static constexpr int kMinimum625[] = {1896, 1742, 1264};
    static constexpr int kMinimum525[] = {1580, 1452, 1053};
    return (is625 ? kMinimum625 : kMinimum525)[frequency] + (pack[1] & 0x3F);
}

// The bookkeeping chunks of a file, found by walking its RIFF tree byte by byte.
struct AviLayout
{
    std::vector<std::string> segments;            // list type of each top-level RIFF
    std::vector<std::uint32_t> superIndexEntries; // nEntriesInUse of each stream's indx
    std::uint32_t avihTotalFrames = 0;
    std::uint32_t dmlhTotalFrames = 0;
    std::vector<std::string> firstSegmentChunks; // top-level children of the first RIFF
    std::vector<std::string> standardIndexes;    // every ix chunk, in file order
    std::vector<std::string> dataChunks;         // every stream data chunk, in file order
};

AviLayout WalkAvi(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
               static_cast<std::uint32_t>(b[at + 3]) << 24;
    };
    const auto tag = [&](std::size_t at) { return std::string(reinterpret_cast<const char*>(&b[at]), 4); };
    AviLayout layout;
    const auto walk = [&](auto&& self, std::size_t from, std::size_t to, int depth) -> void {
        while (from + 8 <= to) {
            const std::string id = tag(from);
            const std::uint32_t size = u32(from + 4);
            const std::size_t data = from + 8;
            if (depth == 1 && layout.segments.size() == 1)
                layout.firstSegmentChunks.push_back(id == "LIST" ? tag(data) : id);
            if (id == "RIFF" || id == "LIST") {
                if (depth == 0)
                    layout.segments.push_back(tag(data));
                self(self, data + 4, std::min<std::size_t>(data + size, to), depth + 1);
            } else if (id == "avih") {
                layout.avihTotalFrames = u32(data + 16);
            } else if (id == "dmlh") {
                layout.dmlhTotalFrames = u32(data);
            } else if (id == "indx") {
                layout.superIndexEntries.push_back(u32(data + 4));
            } else if (id.rfind("ix", 0) == 0) {
                layout.standardIndexes.push_back(id);
            } else if (depth == 2 && std::isdigit(static_cast<unsigned char>(id[0])) &&
                       std::isdigit(static_cast<unsigned char>(id[1]))) {
                layout.dataChunks.push_back(id);
            }
            from = data + size + (size & 1);
        }
    };
    walk(walk, 0, b.size(), 0);
    return layout;
}

class AviMuxFile : public ::testing::Test
{
protected:
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(AviMuxFile, PinsAreTheOutputThenOneFreeInputMore)
{
    AviCaptureGraph g(Path("pins.avi"));
    std::vector<QString> names;
    const auto read = [&] {
        names.clear();
        for (int i = 0; i < g.mux->GetPinCount(); ++i) {
            PIN_INFO info;
            (void)g.mux->GetPin(i)->QueryPinInfo(&info);
            names.push_back(info.achName);
        }
    };
    read();
    EXPECT_EQ(names, (std::vector<QString>{"AVI Out", "Input 01"}));
    ASSERT_EQ(g.AddSource(DvVideo(true), ForgedFrames(1), 400000), S_OK);
    read();
    EXPECT_EQ(names, (std::vector<QString>{"AVI Out", "Input 01", "Input 02"}));
    ASSERT_EQ(g.AddSource(MakePcmAudioType(48000, 16, 2), {}, 400000), S_OK);
    read();
    EXPECT_EQ(names, (std::vector<QString>{"AVI Out", "Input 01", "Input 02", "Input 03"}));
    // Uncompressed video goes in as it is; a stream the file cannot describe is refused.
    EXPECT_EQ(g.mux->GetPin(3)->QueryAccept(MakeVideoType(MEDIASUBTYPE_RGB24, 8, 8, 400000)), S_OK);
    AM_MEDIA_TYPE text;
    text.majortype = MEDIATYPE_Text;
    EXPECT_EQ(g.mux->GetPin(3)->QueryAccept(text), S_FALSE);
}

TEST_F(AviMuxFile, CatalogueGivesTheMultiplexerAndWriterThatCaptureBuildsWith)
{
    FilterCatalogue& catalogue = FilterCatalogue::BuiltIn();
    for (const auto& [clsid, name] : {std::pair{CLSID_AviDest, QStringLiteral("AVI Mux")},
                                      std::pair{CLSID_FileWriter, QStringLiteral("File writer")}}) {
        const auto registration = catalogue.Find(clsid);
        ASSERT_TRUE(registration);
        EXPECT_EQ(registration->name, name);
        EXPECT_EQ(registration->merit, MERIT_DO_NOT_USE);
    }
    const ComPtr<IBaseFilter> mux = catalogue.Create(CLSID_AviDest);
    const ComPtr<IBaseFilter> writer = catalogue.Create(CLSID_FileWriter);
    ASSERT_TRUE(mux && writer);
    EXPECT_TRUE(QueryAs<IConfigInterleaving>(mux));
    EXPECT_TRUE(QueryAs<IFileSinkFilter>(writer));
}

// Type 1: the one interleaved stream comes back as DV video and its audio, frame for frame.
struct Type1Case
{
    const char* name;
    std::function<Frames()> frames;
    int audioRate;
    AVRational frameRate;
};

class AviMuxType1 : public AviMuxFile, public ::testing::WithParamInterface<Type1Case>
{
};

TEST_P(AviMuxType1, ReopensWithEveryFrameAndItsAudio)
{
    const Frames frames = GetParam().frames();
    if (frames.empty())
        GTEST_SKIP() << "fixture missing";
    const QString path = Path("type1.avi");
    AviCaptureGraph g(path);
    ASSERT_EQ(g.AddSource(InterleavedDv(), frames, 400000), S_OK);
    const auto events = g.RunToEnd();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().first, EC_COMPLETE);

    // One video stream, and one audio stream per audio pair the frames carry (a 32 kHz 12-bit tape
    // records two).
    const auto streams = ReadWithLibav(path.toStdString());
    ASSERT_GE(streams.size(), 2u);
    ASSERT_EQ(streams[0].type, AVMEDIA_TYPE_VIDEO);
    const auto& video = streams[0];
    EXPECT_EQ(video.codec, AV_CODEC_ID_DVVIDEO);
    ASSERT_EQ(video.packets.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        ASSERT_EQ(video.packets[i], frames[i]) << "frame " << i;
    EXPECT_EQ(av_cmp_q(video.frameRate, GetParam().frameRate), 0);
    const int samples = std::accumulate(frames.begin(), frames.end(), 0, [](int sum, const auto& frame) {
        return sum + DvAudioSamples(frame);
    });
    for (std::size_t i = 1; i < streams.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& audio = streams[i];
        EXPECT_EQ(audio.type, AVMEDIA_TYPE_AUDIO);
        EXPECT_EQ(audio.codec, AV_CODEC_ID_PCM_S16LE);
        EXPECT_EQ(audio.sampleRate, GetParam().audioRate);
        EXPECT_EQ(audio.bytes,
                  static_cast<std::uint64_t>(samples) * 2 * static_cast<std::uint64_t>(audio.channels));
    }
}

Frames RealFrames()
{
    std::vector<std::uint8_t> bytes;
    if (!testsupport::ReadDvFixture("sony_good_quality.dv", bytes)) {
        if (testsupport::OnCi())
            ADD_FAILURE() << "fixture missing on CI";
        return {};
    }
    Frames frames;
    // The five real frames, played over and over for two seconds of tape.
    for (int n = 0; n < 60; ++n) {
        const std::size_t at = static_cast<std::size_t>(n % 5) * 120000;
        frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                            bytes.begin() + static_cast<std::ptrdiff_t>(at + 120000));
    }
    return frames;
}

INSTANTIATE_TEST_SUITE_P(Frames, AviMuxType1,
                         ::testing::Values(Type1Case{"Forged625At48kHz", [] { return ForgedFrames(50); },
                                                     48000, AVRational{25, 1}},
                                           Type1Case{"RealCamcorder525At32kHz", RealFrames, 32000,
                                                     AVRational{30000, 1001}}),
                         [](const auto& info) { return info.param.name; });

TEST_F(AviMuxFile, Type2HoldsDvVideoAndPcmAudioOfTheSameLength)
{
    const Frames frames = ForgedFrames(25);
    Frames audio;
    std::vector<std::uint8_t> delivered;
    for (int i = 0; i < 25; ++i) {
        std::vector<std::uint8_t> buffer(1920 * 4);
        for (std::size_t b = 0; b < buffer.size(); ++b)
            buffer[b] = static_cast<std::uint8_t>(b * 7 + static_cast<std::size_t>(i));
        delivered.insert(delivered.end(), buffer.begin(), buffer.end());
        audio.push_back(std::move(buffer));
    }
    const QString path = Path("type2.avi");
    AviCaptureGraph g(path);
    ASSERT_EQ(g.AddSource(DvVideo(true), frames, 400000), S_OK);
    ASSERT_EQ(g.AddSource(MakePcmAudioType(48000, 16, 2), audio, 400000), S_OK);
    const auto events = g.RunToEnd();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().first, EC_COMPLETE);

    const auto streams = ReadWithLibav(path.toStdString());
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    ASSERT_EQ(streams[0].packets.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        ASSERT_EQ(streams[0].packets[i], frames[i]) << "frame " << i;
    EXPECT_EQ(av_cmp_q(streams[0].frameRate, AVRational{25, 1}), 0);
    EXPECT_EQ(streams[1].codec, AV_CODEC_ID_PCM_S16LE);
    EXPECT_EQ(streams[1].sampleRate, 48000);
    EXPECT_EQ(streams[1].channels, 2);
    std::vector<std::uint8_t> read;
    for (const auto& packet : streams[1].packets)
        read.insert(read.end(), packet.begin(), packet.end());
    EXPECT_EQ(read, delivered) << "one second of audio, byte for byte";
}

// Full interleaving writes chunks in the order of their times, though an unclocked audio source
// runs far ahead of the video.
TEST_F(AviMuxFile, FullInterleavingWritesChunksInTimeOrder)
{
    const Frames frames = ForgedFrames(25);
    const QString path = Path("full_interleave.avi");
    AviCaptureGraph g(path);
    ASSERT_EQ(g.mux->put_Mode(INTERLEAVE_FULL), S_OK);
    ASSERT_EQ(g.AddSource(DvVideo(true), frames, 400000), S_OK);
    ASSERT_EQ(
        g.AddSource(MakePcmAudioType(48000, 16, 2), Frames(50, std::vector<std::uint8_t>(3840, 9)), 200000),
        S_OK);
    const auto events = g.RunToEnd();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().first, EC_COMPLETE);

    const AviLayout layout = WalkAvi(path.toStdString());
    ASSERT_EQ(layout.dataChunks.size(), 75u);
    REFERENCE_TIME previous = 0;
    int video = 0, audio = 0;
    for (const std::string& id : layout.dataChunks) {
        const REFERENCE_TIME time = id == "00dc" ? 400000LL * video++ : 200000LL * audio++;
        ASSERT_GE(time, previous) << "chunk " << video + audio - 1 << " " << id;
        previous = time;
    }
    EXPECT_EQ(video, 25);
    const auto streams = ReadWithLibav(path.toStdString());
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].packets.size(), 25u);
    EXPECT_EQ(streams[1].bytes, 50u * 3840);
}

// Small segments take the file through the AVI 2.0 path of a long capture.
TEST_F(AviMuxFile, SegmentsPastTheSegmentSizeAreReadWholeAndInOrder)
{
    const Frames frames = ForgedFrames(60);
    for (const bool type1 : {true, false}) {
        SCOPED_TRACE(type1 ? "type 1" : "type 2");
        const QString path = Path(type1 ? "odml1.avi" : "odml2.avi");
        AviCaptureGraph g(path);
        ASSERT_EQ(g.mux->put_SegmentSize(1 << 20), S_OK);
        ASSERT_EQ(g.AddSource(type1 ? InterleavedDv() : DvVideo(true), frames, 400000), S_OK);
        if (!type1)
            ASSERT_EQ(g.AddSource(MakePcmAudioType(48000, 16, 2),
                                  Frames(60, std::vector<std::uint8_t>(7680, 3)), 400000),
                      S_OK);
        const auto events = g.RunToEnd();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front().first, EC_COMPLETE);

        const AviLayout layout = WalkAvi(path.toStdString());
        const auto& segments = layout.segments;
        ASSERT_GE(segments.size(), 5u);
        EXPECT_EQ(segments, RiffSegments(path.toStdString()));
        EXPECT_EQ(segments.front(), "AVI ");
        for (std::size_t i = 1; i < segments.size(); ++i)
            EXPECT_EQ(segments[i], "AVIX");
        // Each stream's super index reaches one standard index per segment; the legacy index
        // closes the first segment, whose frame count is what an old reader sees.
        const std::size_t streamCount = type1 ? 1 : 2;
        ASSERT_EQ(layout.superIndexEntries.size(), streamCount);
        // The unclocked audio source of type 2 runs ahead and ends within the first segments.
        EXPECT_EQ(layout.superIndexEntries[0], segments.size());
        std::size_t indexes = 0;
        for (const std::uint32_t entries : layout.superIndexEntries) {
            EXPECT_GE(entries, 1u);
            EXPECT_LE(entries, segments.size());
            indexes += entries;
        }
        EXPECT_EQ(layout.standardIndexes.size(), indexes);
        EXPECT_EQ(layout.firstSegmentChunks.back(), "idx1");
        EXPECT_EQ(layout.dmlhTotalFrames, frames.size());
        EXPECT_GT(layout.avihTotalFrames, 0u);
        EXPECT_LT(layout.avihTotalFrames, frames.size());

        const auto streams = ReadWithLibav(path.toStdString());
        ASSERT_FALSE(streams.empty());
        ASSERT_EQ(streams[0].packets.size(), frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i)
            ASSERT_EQ(streams[0].packets[i], frames[i]) << "frame " << i;
        if (!type1)
            EXPECT_EQ(streams[1].bytes, 60u * 7680);
    }
}

// The user stops a capture while the sources still deliver: the file ends with the last frame
// written, complete with its indexes, and nothing is reported as an error. A second run writes
// the file afresh.
TEST_F(AviMuxFile, StoppingWhileTheSourcesDeliverCompletesTheFile)
{
    const Frames frames = ForgedFrames(5);
    const QString path = Path("stopped.avi");
    AviCaptureGraph g(path);
    ASSERT_EQ(g.mux->put_SegmentSize(1 << 20), S_OK);
    ASSERT_EQ(g.AddSource(DvVideo(true), frames, 400000, 1000000), S_OK);
    ASSERT_EQ(
        g.AddSource(MakePcmAudioType(48000, 16, 2), {std::vector<std::uint8_t>(7680, 5)}, 400000, 1000000),
        S_OK);
    for (const std::size_t atLeast : {40u, 12u}) {
        SCOPED_TRACE(atLeast);
        ASSERT_EQ(g.graph->Run(), S_OK);
        ASSERT_TRUE(g.sources[0]->WaitFilled(atLeast));
        ASSERT_EQ(g.graph->Stop(), S_OK);
        const auto events = testing::DrainEvents(g.graph.Get());
        EXPECT_EQ(std::count(events.begin(), events.end(), EC_ERRORABORT), 0);

        const auto streams = ReadWithLibav(path.toStdString());
        ASSERT_EQ(streams.size(), 2u);
        const auto& video = streams[0].packets;
        ASSERT_GE(video.size(), atLeast - 4) << "frames still in the pool when Stop came are not written";
        for (std::size_t i = 0; i < video.size(); ++i)
            ASSERT_EQ(video[i], frames[i % frames.size()]) << "frame " << i;
        EXPECT_EQ(streams[1].bytes % 7680, 0u);
        const AviLayout layout = WalkAvi(path.toStdString());
        EXPECT_EQ(layout.dmlhTotalFrames, video.size());
        EXPECT_EQ(layout.firstSegmentChunks.back(), "idx1");
    }
}

// A disk that fills up during the capture: the error reaches the graph's owner and the file holds
// every frame that was written whole.
TEST_F(AviMuxFile, AFullDiskEndsWithAnErrorAndAReadableFile)
{
    const Frames frames = ForgedFrames(40);
    const std::uint64_t capacity = 20 * 144008 + 40000; // the header and about twenty frames
    // In one segment, and in the third of several, where the earlier segments are complete.
    for (const std::uint64_t segmentSize : {kDefaultAviSegmentSize, std::uint64_t{1} << 20}) {
        SCOPED_TRACE(segmentSize);
        const QString path = Path(QStringLiteral("full%1.avi").arg(segmentSize));
        AviCaptureGraph g(path, std::make_unique<testsupport::FullingSinkFile>(capacity));
        ASSERT_EQ(g.mux->put_SegmentSize(segmentSize), S_OK);
        ASSERT_EQ(g.AddSource(InterleavedDv(), frames, 400000), S_OK);
        const auto events = g.RunToEnd();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front().first, EC_ERRORABORT);
        EXPECT_EQ(events.front().second, E_DISK_FULL);
        EXPECT_EQ(
            std::count_if(events.begin(), events.end(), [](const auto& e) { return e.first == EC_COMPLETE; }),
            0)
            << "a failed capture is never reported as complete";

        const auto streams = ReadWithLibav(path.toStdString());
        ASSERT_EQ(streams.size(), 2u);
        const auto& video = streams[0];
        ASSERT_GE(video.packets.size(), 18u);
        ASSERT_LT(video.packets.size(), frames.size());
        for (std::size_t i = 0; i < video.packets.size(); ++i)
            ASSERT_EQ(video.packets[i], frames[i]) << "frame " << i;
        EXPECT_LE(QFileInfo(path).size(), static_cast<qint64>(capacity));
    }
}

TEST_F(AviMuxFile, InterleavingModesAreKeptAndOthersRefused)
{
    const auto mux = AviMux::Create();
    InterleavingMode mode = INTERLEAVE_FULL;
    ASSERT_EQ(mux->get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, INTERLEAVE_CAPTURE);
    ASSERT_EQ(mux->put_Mode(INTERLEAVE_NONE), S_OK);
    ASSERT_EQ(mux->get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, INTERLEAVE_NONE);
    EXPECT_EQ(mux->put_Mode(static_cast<InterleavingMode>(7)), E_INVALIDARG);
}

} // namespace
} // namespace camtrove::media
