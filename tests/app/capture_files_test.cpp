// The files of a capture: a cut into the next name, the scene file written beside a DV capture
// and the question about it after lost frames. Files are read back by libavformat and the scene
// file against its byte layout.
#include "capture_fixture.h"
#include "support/avi_capture.h"

#include <QtEndian>

namespace camtrove::app {
namespace {

using platform::PromptAnswer;

constexpr TDateTime kSecond = 1.0 / 86400;

[[nodiscard]] std::int32_t VideoPackets(const QString& path)
{
    for (const auto& stream : testsupport::ReadWithLibav(path.toStdString()))
        if (stream.type == AVMEDIA_TYPE_VIDEO && stream.codec == AV_CODEC_ID_DVVIDEO)
            return static_cast<std::int32_t>(stream.packets.size());
    return 0;
}

// A scene file read by its layout: the stored name, the scene count and the records' numbers.
struct SceneFile
{
    QByteArray name;
    int count = -1;
    std::int32_t firstEnd = -1;             // E of the first record
    std::vector<std::pair<int, int>> later; // S and N of every later record
};

[[nodiscard]] std::int32_t Int32At(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<qint32>(data.constData() + at);
}

[[nodiscard]] std::optional<SceneFile> ReadSceneFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    const QByteArray magic = QByteArray::fromHex("63260100040000 00FFFF03000A00") + "SourceTape";
    if (!data.startsWith(magic) || data.size() < 65)
        return std::nullopt;
    SceneFile scenes;
    const int length = static_cast<std::uint8_t>(data[24]);
    scenes.name = data.mid(25, length);
    scenes.count = qFromLittleEndian<quint16>(data.constData() + 33 + length);
    if (data.mid(35 + length, 14) != QByteArray::fromHex("FFFF01000400") + "ClipP" + QByteArray(3, '\0'))
        return std::nullopt;
    qsizetype at = 65 + length;
    if (scenes.count > 0) {
        scenes.firstEnd = Int32At(data, at);
        at += 23 + length;
    }
    for (int i = 1; i < scenes.count && at + 35 <= data.size(); ++i, at += 35)
        scenes.later.emplace_back(Int32At(data, at + 9), Int32At(data, at + 13));
    return at == data.size() ? std::optional(scenes) : std::nullopt;
}

// Counts the state machine reads, standing in for a camcorder that dropped frames.
class DroppingCounters final : public media::RefCounted, public media::IAMDroppedFrames
{
public:
    DroppingCounters(std::int32_t dropped, std::int32_t delivered)
        : m_dropped(dropped), m_delivered(delivered)
    {
    }
    media::HRESULT QueryInterface(const media::GUID&, void**) override { return E_NOINTERFACE; }
    media::HRESULT GetNumDropped(std::int32_t* dropped) override
    {
        *dropped = m_dropped;
        return S_OK;
    }
    media::HRESULT GetNumNotDropped(std::int32_t* delivered) override
    {
        *delivered = m_delivered;
        return S_OK;
    }
    media::HRESULT GetAverageFrameSize(std::int32_t*) override { return E_NOTIMPL; }

private:
    std::int32_t m_dropped;
    std::int32_t m_delivered;
};

TEST_F(CaptureTest, ACutRegistersTheFileAndGoesOnIntoTheNextNameWithoutRestartingTheDuration)
{
    Start();
    WriteFile(VideoFile(1), "an earlier run");
    control->CaptureToggle();
    ASSERT_EQ(control->CaptureState(), csCapturing);
    PlayTape();
    ASSERT_TRUE(WaitForFrames(8));

    now += 10 * kSecond;
    ASSERT_TRUE(control->Cut());
    EXPECT_EQ(control->CaptureState(), csCapturing);
    EXPECT_TRUE(prompter.questions.isEmpty()); // a cut asks nothing
    ASSERT_EQ(files.Items().size(), 1u);
    EXPECT_EQ(files.Items()[0].path, VideoFile(0));
    EXPECT_EQ(control->Naming().NextVideoFile(), VideoFile(1));
    EXPECT_EQ(control->Core().CaptureFile, VideoFile(0)); // the capture's own name stays
    // The earlier run's file of the new name is kept in the trash, not written over.
    EXPECT_EQ(ReadFile(TrashedFile(QStringLiteral("Clip_1.avi"))), "an earlier run");
    ASSERT_TRUE(WaitForFrames(8));

    now += 5 * kSecond;
    control->DroppedFramesTimer();
    EXPECT_EQ(control->View().StatusPanels[2], "duration 0:00 :15");
    control->CaptureToggle();
    EXPECT_EQ(control->CaptureState(), csIdle);

    ASSERT_EQ(files.Items().size(), 2u);
    EXPECT_EQ(files.Items()[1].path, VideoFile(1));
    EXPECT_EQ(control->Naming().NextVideoFile(), VideoFile(2));
    for (const auto& item : files.Items())
        EXPECT_NEAR(VideoPackets(item.path), item.capturedFrames, 1) << item.path.toStdString();
}

TEST_F(CaptureTest, ACutOutsideACaptureDoesNothing)
{
    Start();
    EXPECT_FALSE(control->Cut());
    EXPECT_TRUE(files.Items().empty());
    EXPECT_EQ(control->Naming().NextVideoFile(), VideoFile(0));
}

TEST_F(CaptureTest, ADvCaptureWritesTheScenesOfTheTapeIntoItsSceneFile)
{
    prefs.Scn->value = true;
    Start();
    control->CaptureToggle();
    ASSERT_TRUE(control->Core().SceneFileOpen);
    EXPECT_EQ(control->Core().SceneFile, VideoFolder() + QStringLiteral("/Clip_0.scn"));
    // The tape plays from its first frame once the capture runs: the first scene lasts 60 frames.
    PlayTape();
    ASSERT_TRUE(WaitForFrames(75));
    control->CaptureToggle();
    EXPECT_FALSE(control->Core().SceneFileOpen);

    const auto scenes = ReadSceneFile(VideoFolder() + QStringLiteral("/Clip_0.scn"));
    ASSERT_TRUE(scenes);
    EXPECT_EQ(scenes->name, (VideoFolder() + QStringLiteral("/Clip_0.scn")).toUtf8());
    ASSERT_EQ(scenes->count, 2);
    EXPECT_EQ(scenes->firstEnd, 61);
    ASSERT_EQ(scenes->later.size(), 1u);
    EXPECT_EQ(scenes->later[0].first, 61);
    // The second scene runs to the last frame of the capture (give or take the frame under way at
    // the stop).
    EXPECT_NEAR(scenes->later[0].second, VideoPackets(VideoFile(0)) - 59, 1);
}

TEST_F(CaptureTest, EachPartOfACutCaptureHasItsOwnSceneFile)
{
    prefs.Scn->value = true;
    Start();
    control->CaptureToggle();
    PlayTape();
    ASSERT_TRUE(WaitForFrames(5));
    ASSERT_TRUE(control->Cut());
    EXPECT_EQ(control->Core().SceneFile, VideoFolder() + QStringLiteral("/Clip_1.scn"));
    ASSERT_TRUE(WaitForFrames(5));
    control->CaptureToggle();
    for (const char* name : {"/Clip_0.scn", "/Clip_1.scn"}) {
        const auto scenes = ReadSceneFile(VideoFolder() + QLatin1String(name));
        ASSERT_TRUE(scenes) << name;
        EXPECT_GE(scenes->count, 1) << name;
    }
}

TEST_F(CaptureTest, LostFramesAskWhetherToDeleteTheSceneFile)
{
    prefs.Scn->value = true;
    Start();
    for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        prompter.questions.clear();
        control->CaptureToggle();
        ASSERT_EQ(control->CaptureState(), csCapturing);
        const QString sceneFile = control->Core().SceneFile;
        const QString sceneName = QFileInfo(sceneFile).fileName();
        control->Core().DroppedFramesSource = media::MakeCom<DroppingCounters>(30, 70);
        prompter.answers = {answer};
        control->CaptureToggle();

        ASSERT_EQ(prompter.questions.size(), 1);
        EXPECT_EQ(
            prompter.questions[0],
            "30 frames have been lost during capture.\r\nThe .scn file created in real time is probably "
            "not correct.\r\nIt is recommended to delete it and recreate one with Reeltrak\r\n\r\nDo you "
            "want to delete the file " +
                sceneFile + "?");
        EXPECT_EQ(QFileInfo::exists(sceneFile), answer == PromptAnswer::No);
        EXPECT_EQ(QFileInfo::exists(TrashedFile(sceneName)), answer == PromptAnswer::Yes);
        EXPECT_EQ(files.Items().back().droppedFrames, 30);
        EXPECT_EQ(files.Items().back().capturedFrames, 70);
    }
}

} // namespace
} // namespace camtrove::app
