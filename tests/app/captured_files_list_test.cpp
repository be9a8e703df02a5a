// The captured-files list: registration from the file system, the four orders, the texts the
// panel shows and what goes to the desktop and to Reeltrak.
#include "app/panels/captured_files_list.h"
#include "platform/prompter.h"
#include "platform/shell.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace camtrove::app {
namespace {

// Records what the list asked of the desktop.
class RecordingShell final : public platform::Shell
{
public:
    bool Open(const QString& path) override
    {
        calls << QStringLiteral("open ") + path;
        return true;
    }
    bool ShowInFolder(const QString& path) override
    {
        calls << QStringLiteral("show ") + path;
        return true;
    }
    bool Start(const QString& program, const QStringList& arguments) override
    {
        calls << QStringLiteral("start ") + program + QLatin1Char('|') + arguments.join(QLatin1Char('|'));
        return true;
    }
    QStringList calls;
};

class RecordingPrompter final : public platform::Prompter
{
public:
    platform::PromptAnswer Ask(const QString&, platform::PromptButtons) override
    {
        return platform::PromptAnswer::No;
    }
    void Inform(const QString& text) override { messages << text; }
    QStringList messages;
};

class CapturedFilesListTest : public ::testing::Test
{
protected:
    QString MakeFile(const QString& name, qint64 size)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_TRUE(file.resize(size));
        return path;
    }

    QStringList Names() const
    {
        QStringList names;
        for (const TDataFichier& item : list.Items())
            names << item.name;
        return names;
    }

    QTemporaryDir m_dir;
    RecordingShell shell;
    RecordingPrompter prompter;
    CapturedFilesList list{shell, prompter};
};

TEST_F(CapturedFilesListTest, KeepsEachOrderAsItsTextKeyCompares)
{
    list.Register(MakeFile(QStringLiteral("b.wav"), 3'000'000), {});
    list.Register(MakeFile(QStringLiteral("C.avi"), 500'000), {});
    list.Register(MakeFile(QStringLiteral("a.mpg"), 900), {});
    EXPECT_EQ(Names(), (QStringList{"a.mpg", "b.wav", "C.avi"})) << "case is ignored";
    EXPECT_EQ(list.CountText(), QStringLiteral("3 files sorted in alphabetical order"));

    list.SetOrder(SortOrder::Size);
    EXPECT_EQ(Names(), (QStringList{"a.mpg", "C.avi", "b.wav"}));
    EXPECT_EQ(list.CountText(), QStringLiteral("3 files sorted by size of file"));
    list.SetOrder(SortOrder::Extension);
    EXPECT_EQ(Names(), (QStringList{"C.avi", "a.mpg", "b.wav"}));

    // A new file joins in the current order.
    list.Register(MakeFile(QStringLiteral("d.bmp"), 1), {});
    EXPECT_EQ(Names(), (QStringList{"C.avi", "d.bmp", "a.mpg", "b.wav"}));
}

TEST(CapturedFilesSortKey, PutsTwoGigabytesAfterFiveHundredKilobytes)
{
    TDataFichier small;
    small.path = QStringLiteral("/v/Z.avi");
    small.size = 500 * 1024;
    TDataFichier large;
    large.path = QStringLiteral("/v/a.avi");
    large.size = 2ULL * 1024 * 1024 * 1024;
    TDataFichier huge;
    huge.path = QStringLiteral("/v/b.avi");
    huge.size = 5ULL * 1024 * 1024 * 1024; // past 32 bits: the high half decides
    EXPECT_LT(CapturedFilesList::SortKey(small, SortOrder::Size),
              CapturedFilesList::SortKey(large, SortOrder::Size));
    EXPECT_LT(CapturedFilesList::SortKey(large, SortOrder::Size),
              CapturedFilesList::SortKey(huge, SortOrder::Size));
    EXPECT_EQ(CapturedFilesList::SortKey(huge, SortOrder::Size),
              QStringLiteral("00000000000000010000000040000000/v/b.avi"));
}

TEST_F(CapturedFilesListTest, TellsTheFramesItKnowsInTheProperties)
{
    const QString still = MakeFile(QStringLiteral("Image_00000.jpg"), 1234);
    list.Register(still, {QStringLiteral("DV Source - Video"), QStringLiteral("DV Source - Audio"), QString(),
                          QStringLiteral("dv type 1 natifve"), -1, 1});
    EXPECT_FALSE(list.PropertiesText().has_value()) << "nothing selected";
    list.SetSelection({0}, 0);
    const QString text = list.PropertiesText().value();
    const TDataFichier& item = list.Items()[0];
    EXPECT_EQ(text,
              QStringLiteral("Start of Capture: ") +
                  FormatDateTime(QStringLiteral("ddddd tt"), item.creationTime) +
                  QStringLiteral("\r\nEnd of Capture: ") +
                  FormatDateTime(QStringLiteral("ddddd tt"), item.lastWriteTime) +
                  QStringLiteral("\r\nSize of File: 1234\r\n\r\n"
                                 "Captured Frames: 1\r\n\r\n"
                                 "Video Source: DV Source - Video\r\nAudio Source: DV Source - Audio\r\n"
                                 "Audio Entry: \r\nCapture Format: dv type 1 natifve\r\n\r\n"));
    EXPECT_GT(item.lastWriteTime, 40000.0) << "the file system's time, not zero";

    TDataFichier uncounted;
    EXPECT_TRUE(CapturedFilesList::PropertiesText(uncounted).contains(
        QStringLiteral("\r\n\r\nNo data about dropped/captured frames\r\n\r\nVideo Source: ")));
    uncounted.droppedFrames = 3;
    uncounted.capturedFrames = 250;
    EXPECT_TRUE(CapturedFilesList::PropertiesText(uncounted).contains(
        QStringLiteral("Captured Frames: 250\r\nDropped Frames: 3\r\n\r\n")));
}

TEST_F(CapturedFilesListTest, HandsOnlyTheFilesStillThereToReeltrak)
{
    const QString first = MakeFile(QStringLiteral("Video_0.avi"), 10);
    const QString second = MakeFile(QStringLiteral("Video_1.avi"), 10);
    list.Register(first, {});
    list.Register(second, {});
    ASSERT_TRUE(QFile::remove(first));
    EXPECT_EQ(list.ReeltrakParameters(), QLatin1Char('"') + second + QLatin1Char('"'));

    // Missing program: the message, and "Open in Reeltrak" does nothing.
    const QString missing = m_dir.filePath(QStringLiteral("no-reeltrak"));
    list.LaunchReeltrak(missing);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0], CapturedFilesList::ReeltrakMissingMessage());
    list.SetSelection({1}, 1);
    list.OpenCurrentInReeltrak(missing);
    EXPECT_TRUE(shell.calls.isEmpty());

    const QString reeltrak = MakeFile(QStringLiteral("reeltrak"), 1);
    list.LaunchReeltrak(reeltrak);
    list.OpenCurrentInReeltrak(reeltrak);
    list.OpenParentFolder();
    list.OpenCurrent();
    EXPECT_EQ(shell.calls, (QStringList{QStringLiteral("start ") + reeltrak + QLatin1Char('|') + second,
                                        QStringLiteral("start ") + reeltrak + QLatin1Char('|') + second,
                                        QStringLiteral("show ") + second, QStringLiteral("open ") + second}));
}

TEST_F(CapturedFilesListTest, AMissingFileKeepsItsPathAndTexts)
{
    list.Register(m_dir.filePath(QStringLiteral("gone.avi")),
                  {QStringLiteral("cam"), {}, {}, QStringLiteral("Wmv"), 0, 0});
    ASSERT_EQ(list.Items().size(), 1u);
    EXPECT_FALSE(list.Items()[0].found);
    EXPECT_EQ(list.Items()[0].size, 0u);
    EXPECT_EQ(list.Items()[0].captureFormat, QStringLiteral("Wmv"));
    EXPECT_TRUE(list.ListEnabled());
    list.SetSelection({0, 5}, 5);
    EXPECT_EQ(list.SelectedPaths(), QStringList{m_dir.filePath(QStringLiteral("gone.avi"))});
    EXPECT_FALSE(list.PropertiesText().has_value()) << "the current item is out of range";
}

} // namespace
} // namespace camtrove::app
