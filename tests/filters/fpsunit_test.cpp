#include "avi_fixture.h"
#include "filters/fpsunit.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>

namespace camtrove::filters {
namespace {

using namespace camtrove::avi_fixture;

class AviFrameRateFiles : public ::testing::Test
{
protected:
    QString PathOf(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    QString Written(const char* name, const std::string& bytes) const
    {
        const QString path = PathOf(name);
        EXPECT_TRUE(WriteAll(path, bytes));
        return path;
    }

    // Offsets of every "strh" chunk, found by scanning the bytes rather than walking the tree.
    static std::vector<qsizetype> StreamHeaders(const QByteArray& bytes)
    {
        std::vector<qsizetype> found;
        for (qsizetype at = bytes.indexOf("strh"); at >= 0; at = bytes.indexOf("strh", at + 1))
            found.push_back(at);
        return found;
    }

    // The positions at which two files of the same length differ.
    static std::vector<qsizetype> Differences(const QByteArray& a, const QByteArray& b)
    {
        std::vector<qsizetype> at;
        for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
            if (a[i] != b[i])
                at.push_back(i);
        return at;
    }

    QTemporaryDir m_dir;
};

TEST(AviScaleForFrameRate, RoundsToTheNearestHalvesToEven)
{
    struct Case
    {
        double fps;
        std::uint32_t scale;
    } const cases[] = {
        {25.0, 40000},           {18.0, 55556},       {29.97, 33367}, {1.0, 1000000},
        {0.5, 2000000},          {0.001, 1000000000}, {400000.0, 2}, // 2.5 rounds down to the even 2
        {666666.6666666666, 2},                                      // 1.5 rounds up to the even 2
        {181818.18181818182, 6},                                     // 5.5
    };
    for (const Case& c : cases) {
        const auto scale = AviScaleForFrameRate(c.fps);
        ASSERT_TRUE(scale.has_value()) << c.fps;
        EXPECT_EQ(*scale, c.scale) << c.fps;
    }
}

TEST(AviScaleForFrameRate, RefusesRatesWithoutAUsableScale)
{
    for (double fps : {0.0, -0.0, -25.0, std::nan(""), std::numeric_limits<double>::infinity(), 3.0e6, 1.0e-4,
                       -std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(AviScaleForFrameRate(fps).has_value()) << fps;
}

TEST_F(AviFrameRateFiles, OnlyTheVideoStreamHeaderOfALibavFileChanges)
{
    const QString path = PathOf("capture.avi");
    WriteAviWithLibav(path, {.videoStreams = 1, .framesPerSecond = 10, .audio = true});
    const QByteArray before = ReadAll(path);
    const std::vector<qsizetype> headers = StreamHeaders(before);
    ASSERT_EQ(headers.size(), 2u);
    ASSERT_EQ(before.mid(headers[0] + 8, 4), "vids");
    ASSERT_EQ(before.mid(headers[1] + 8, 4), "auds");
    const qsizetype videoScale = headers[0] + 8 + 20;
    const qsizetype audioScale = headers[1] + 8 + 20;
    const qsizetype avih = before.indexOf("avih");
    ASSERT_GE(avih, 0);
    const std::vector<LibavStream> libavBefore = ReadWithLibav(path);
    ASSERT_EQ(libavBefore.size(), 2u);

    const AviFrameRateResult result = SetAviFrameRate(path, 18.0);

    ASSERT_TRUE(result.Ok()) << result.message.toStdString();
    EXPECT_EQ(result.scale, 55556u);
    EXPECT_EQ(result.rate, 1000000u);
    EXPECT_EQ(result.scalePosition, videoScale);
    const QByteArray after = ReadAll(path);
    ASSERT_EQ(after.size(), before.size());
    for (qsizetype at : Differences(before, after))
        EXPECT_TRUE(at >= videoScale && at < videoScale + 8) << "byte " << at << " changed";
    EXPECT_EQ(Le32At(after, videoScale), 55556u);
    EXPECT_EQ(Le32At(after, videoScale + 4), 1000000u);
    EXPECT_EQ(Le32At(after, audioScale), Le32At(before, audioScale));
    EXPECT_EQ(Le32At(after, audioScale + 4), Le32At(before, audioScale + 4));
    EXPECT_EQ(Le32At(after, avih + 8), 100000u) << "the main header keeps its microseconds per frame";

    const std::vector<LibavStream> streams = ReadWithLibav(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(av_cmp_q(streams[0].timeBase, AVRational{55556, 1000000}), 0);
    EXPECT_NEAR(av_q2d(streams[0].frameRate), 18.0, 0.001);
    EXPECT_EQ(streams[0].frames, 5);
    EXPECT_EQ(streams[1].type, AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(av_cmp_q(streams[1].timeBase, libavBefore[1].timeBase), 0);
    EXPECT_EQ(streams[1].frames, libavBefore[1].frames);
}

TEST_F(AviFrameRateFiles, TheLastOfTwoVideoStreamsChanges)
{
    const QString path = PathOf("two.avi");
    WriteAviWithLibav(path, {.videoStreams = 2, .framesPerSecond = 10, .audio = false});

    const AviFrameRateResult result = SetAviFrameRate(path, 25.0);

    ASSERT_TRUE(result.Ok()) << result.message.toStdString();
    EXPECT_EQ(result.scale, 40000u);
    const std::vector<LibavStream> streams = ReadWithLibav(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(av_cmp_q(streams[0].timeBase, AVRational{1, 10}), 0);
    EXPECT_EQ(av_cmp_q(streams[1].timeBase, AVRational{1, 25}), 0);
    EXPECT_NEAR(av_q2d(streams[1].frameRate), 25.0, 1e-9);
}

TEST_F(AviFrameRateFiles, AnInterleavedDvStreamHeaderChanges)
{
    const QString path = Written("dv1.avi", AviFile(StreamList("iavs", "dvsd", 1, 25)));
    const QByteArray before = ReadAll(path);
    const qsizetype scale = ScaleFieldOf(before, "dvsd");

    const AviFrameRateResult result = SetAviFrameRate(path, 29.97);

    ASSERT_TRUE(result.Ok()) << result.message.toStdString();
    EXPECT_EQ(result.scalePosition, scale);
    const QByteArray after = ReadAll(path);
    EXPECT_EQ(Le32At(after, scale), 33367u);
    EXPECT_EQ(Le32At(after, scale + 4), 1000000u);
    EXPECT_EQ(after.left(scale), before.left(scale));
    EXPECT_EQ(after.mid(scale + 8), before.mid(scale + 8));
}

TEST_F(AviFrameRateFiles, ATruncatedFileUsesTheHeaderFoundBeforeTheCut)
{
    const std::string whole = AviFile(StreamList("vids", "vid1", 1, 10) + StreamList("vids", "vid2", 1, 10));
    // Cut inside the second stream list's header, before the second "strh" is whole.
    const std::string cut =
        whole.substr(0, std::size_t(QByteArray::fromStdString(whole).indexOf("vid2")) + 6);
    const QString path = Written("cut.avi", cut);
    const qsizetype scale = ScaleFieldOf(QByteArray::fromStdString(cut), "vid1");

    EXPECT_EQ(FindVideoRatePosition(path), std::optional<std::int64_t>(scale));
    const AviFrameRateResult result = SetAviFrameRate(path, 18.0);
    ASSERT_TRUE(result.Ok()) << result.message.toStdString();
    const QByteArray after = ReadAll(path);
    EXPECT_EQ(after.size(), qsizetype(cut.size())) << "the file must not grow";
    EXPECT_EQ(Le32At(after, scale), 55556u);
}

TEST_F(AviFrameRateFiles, FilesWithoutAVideoStreamHeaderAreLeftUnchanged)
{
    const QString audioOnly = PathOf("audio.avi");
    WriteAviWithLibav(audioOnly, {.videoStreams = 0, .framesPerSecond = 10, .audio = true});
    const QString notRiff =
        Written("list.avi", List("LIST", "AVI ", List("LIST", "hdrl", StreamList("vids", "vid1", 1, 10))));

    for (const QString& path : {audioOnly, notRiff}) {
        const QByteArray before = ReadAll(path);
        const AviFrameRateResult result = SetAviFrameRate(path, 18.0);
        EXPECT_EQ(result.status, AviFrameRateStatus::NoVideoStreamHeader) << path.toStdString();
        EXPECT_FALSE(result.message.isEmpty());
        EXPECT_EQ(ReadAll(path), before) << path.toStdString();
    }
}

TEST_F(AviFrameRateFiles, FailuresAreReportedAndChangeNothing)
{
    const QString missing = PathOf("missing.avi");
    const AviFrameRateResult noFile = SetAviFrameRate(missing, 18.0);
    EXPECT_EQ(noFile.status, AviFrameRateStatus::FileMissing);
    EXPECT_TRUE(noFile.message.contains(missing)) << noFile.message.toStdString();
    EXPECT_FALSE(QFile::exists(missing)) << "a missing file must not be created";

    const QString path = Written("good.avi", AviFile(StreamList("vids", "vid1", 1, 10)));
    const QByteArray before = ReadAll(path);
    for (double fps : {0.0, -5.0, std::nan("")}) {
        const AviFrameRateResult result = SetAviFrameRate(path, fps);
        EXPECT_EQ(result.status, AviFrameRateStatus::BadFrameRate) << fps;
        EXPECT_FALSE(result.message.isEmpty());
    }
    EXPECT_EQ(ReadAll(path), before);

    const AviFrameRateResult directory = SetAviFrameRate(m_dir.path(), 18.0);
    EXPECT_EQ(directory.status, AviFrameRateStatus::CannotRead);
}

TEST_F(AviFrameRateFiles, AReadOnlyFileIsReportedAndUnchanged)
{
    const QString path = Written("locked.avi", AviFile(StreamList("vids", "vid1", 1, 10)));
    const QByteArray before = ReadAll(path);
    const WriteLock lock(path);
    if (!lock.Locked())
        GTEST_SKIP() << "this file system lets this user write to any file";

    const AviFrameRateResult result = SetAviFrameRate(path, 18.0);

    EXPECT_EQ(result.status, AviFrameRateStatus::CannotWrite);
    EXPECT_TRUE(result.message.contains(path)) << result.message.toStdString();
    EXPECT_EQ(ReadAll(path), before);
}

TEST_F(AviFrameRateFiles, TheWalkLetsTheWindowBreatheBetweenChunks)
{
    const QString path =
        Written("pump.avi", AviFile(StreamList("auds", "aud1", 1, 10) + StreamList("vids", "vid1", 1, 10)));
    int calls = 0;
    const AviFrameRateResult result = SetAviFrameRate(path, 18.0, [&calls] { ++calls; });
    ASSERT_TRUE(result.Ok());
    // RIFF, hdrl, avih, two strl with strh and strf each, movi (its frames unvisited) and idx1.
    EXPECT_EQ(calls, 11);
}

struct MalformedCase
{
    const char* name;
    std::string bytes;
    const char* foundHandler; // the stream header whose scale is found, or nullptr
};

void PrintTo(const MalformedCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string Nested(int depth, const std::string& inner)
{
    std::string out = inner;
    for (int i = 0; i < depth; ++i)
        out = List("LIST", "JUNK", out);
    return out;
}

std::string Hdrl(const std::string& children)
{
    return List("LIST", "hdrl", children);
}

std::string Riff(const std::string& children)
{
    return List("RIFF", "AVI ", children);
}

std::vector<MalformedCase> MalformedCases()
{
    const std::string video = StreamList("vids", "vid1", 1, 10);
    const std::string whole = AviFile(video + StreamList("vids", "vid2", 1, 10));
    const qsizetype second = QByteArray::fromStdString(whole).indexOf("vid2");
    const qsizetype firstListEnd = QByteArray::fromStdString(whole).indexOf("LIST", second - 24);
    const std::string shortStrh =
        List("LIST", "strl", Chunk("strh", StreamHeaderData("vids", "vid9", 1, 10).substr(0, 24)));
    return {
        {"EmptyFile", "", nullptr},
        {"ShortRiffHeader", "RIFF\x10\x00", nullptr},
        {"TopLevelIsNotRiff", List("LIST", "AVI ", Hdrl(video)), nullptr},
        {"ZeroSizeRiff", RawChunk("RIFF", 0, "AVI " + Hdrl(video)), nullptr},
        {"HugeRiffSize", RawChunk("RIFF", 0xFFFFFFFFu, "AVI " + Hdrl(video)), "vid1"},
        {"HugeChildSizeEndsItsList", Riff(Hdrl(RawChunk("JUNK", 0xFFFFFFF0u, "") + video)), nullptr},
        {"ZeroSizeChildIsStepped", Riff(Hdrl(RawChunk("JUNK", 0, "") + video)), "vid1"},
        {"OddSizeIsPadded", Riff(Hdrl(Chunk("JUNK", "abc") + video)), "vid1"},
        {"ListShorterThanItsType", Riff(Hdrl(RawChunk("LIST", 2, "ab") + video)), "vid1"},
        {"NestedListClaimsMoreThanItsParent",
         Riff(Hdrl(RawChunk("LIST", 5000, "strl" + Chunk("strh", StreamHeaderData("vids", "vid1", 1, 10))))),
         "vid1"},
        {"StreamHeaderTooShortForItsFields", Riff(Hdrl(shortStrh)), nullptr},
        {"CutInsideTheSecondStreamHeader", whole.substr(0, std::size_t(second) + 10), "vid1"},
        {"CutInsideAChunkHeader", whole.substr(0, std::size_t(firstListEnd) + 5), "vid1"},
        {"HeadersInsideMoviAreSkipped",
         Riff(Hdrl(StreamList("auds", "aud1", 1, 10)) + List("LIST", "movi", video)), nullptr},
        {"DeepNestingIsSkipped", Riff(Hdrl(Nested(5000, StreamList("vids", "vid9", 1, 10)) + video)), "vid1"},
        {"LaterRiffListsAreWalked",
         AviFile(video) + List("RIFF", "AVIX", Hdrl(StreamList("vids", "vid2", 1, 10))), "vid2"},
        {"WalkEndsAtATopLevelNonRiff", AviFile(video) + Chunk("JUNK", StreamList("vids", "vid2", 1, 10)),
         "vid1"},
        {"TrailingBytesAfterTheRiff", AviFile(video) + "xyz", "vid1"},
    };
}

class MalformedAvi : public AviFrameRateFiles, public ::testing::WithParamInterface<MalformedCase>
{
};

TEST_P(MalformedAvi, EndsTheWalkWithinTheFile)
{
    const MalformedCase& c = GetParam();
    const QString path = Written("malformed.avi", c.bytes);
    int chunks = 0;

    const std::optional<std::int64_t> position = FindVideoRatePosition(path, [&chunks] { ++chunks; });

    // Each chunk visited takes at least its 8-byte header, once: a walk that loops or re-reads breaks this.
    EXPECT_LE(chunks, int(c.bytes.size() / 8) + 1);
    if (c.foundHandler == nullptr) {
        EXPECT_FALSE(position.has_value()) << "found " << *position;
    } else {
        const qsizetype expected = ScaleFieldOf(QByteArray::fromStdString(c.bytes), c.foundHandler);
        ASSERT_TRUE(position.has_value());
        EXPECT_EQ(*position, expected);
        EXPECT_LE(*position + 8, std::int64_t(c.bytes.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(Walk, MalformedAvi, ::testing::ValuesIn(MalformedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace camtrove::filters
