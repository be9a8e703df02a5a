// Names of the next capture file and snapshot: the stamp, the counters that only a finished
// capture or snapshot consumes, the extensions by format and image type.
#include "app/capture/output_naming.h"
#include "settings/catalogue.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace camtrove::app {
namespace {

class OutputNamingTest : public ::testing::Test
{
protected:
    OutputNamingTest()
    {
        EXPECT_TRUE(prefs.Build());
        prefs.VideoDirectory->value = QStringLiteral("/clips");
        prefs.ImageDirectory->value = QStringLiteral("/pictures/");
    }

    // 5 December 2023 14:25:30.
    static TDateTime Stamp() { return TryEncodeDateTime(2023, 12, 5, 14, 25, 30, 0).value(); }

    QTemporaryDir m_dir;
    settings::PreferenceCatalogue prefs{settings::TStoreLocation{
        m_dir.path() + QStringLiteral("/bin/"), m_dir.path() + QStringLiteral("/bin/camtrove"),
        m_dir.path() + QStringLiteral("/config")}};
};

TEST_F(OutputNamingTest, StampsEveryNameOfTheRunAndNumbersTheCaptures)
{
    OutputNaming naming(prefs, Stamp());
    EXPECT_EQ(naming.NextVideoFile(), QStringLiteral("/clips/Video_051223_142530_0.avi"));
    EXPECT_EQ(naming.NextVideoLabel(), QStringLiteral("Video_051223_142530_0.avi"));
    naming.ChangeVideoExtension(QStringLiteral(".wmv"));
    EXPECT_EQ(naming.NextVideoFile(), QStringLiteral("/clips/Video_051223_142530_0.wmv"));
    naming.AdvanceVideoFile(); // a finished capture
    EXPECT_EQ(naming.NextVideoFile(), QStringLiteral("/clips/Video_051223_142530_1.wmv"));
    EXPECT_EQ(naming.NextVideoLabel(), QStringLiteral("Video_051223_142530_1.wmv"));

    // Images: no date by default, five digits, the image folder's own trailing separator kept.
    EXPECT_EQ(naming.NextImageFile(), QStringLiteral("/pictures/Image_00000.bmp"));
    naming.AdvanceImageFile();
    EXPECT_EQ(naming.NextImageFile(), QStringLiteral("/pictures/Image_00001.bmp"));
    EXPECT_EQ(naming.NextImageLabel(), QStringLiteral("Image_00001.bmp"));
}

TEST_F(OutputNamingTest, ChangingAnInputRebuildsTheNameWithoutConsumingItsNumber)
{
    OutputNaming naming(prefs, Stamp());
    naming.AdvanceVideoFile();
    naming.AdvanceVideoFile();
    naming.AdvanceVideoFile();
    ASSERT_TRUE(naming.NextVideoFile().endsWith(QStringLiteral("_3.avi")));

    naming.ChangeVideoExtension(QStringLiteral(".wmv"));
    naming.ChangeVideoExtension(QStringLiteral(".wav"));
    EXPECT_EQ(naming.NextVideoFile(), QStringLiteral("/clips/Video_051223_142530_3.wav"));

    naming.VideoRootNameLeft(QStringLiteral("Party"));
    EXPECT_EQ(naming.NextVideoFile(), QStringLiteral("/clips/Party_051223_142530_3.wav"));
    naming.VideoIncludeDateClicked(false);
    EXPECT_EQ(naming.NextVideoFile(), QStringLiteral("/clips/Party_3.wav"));
    // A folder with or without its trailing separator gives the same name.
    naming.VideoFolderChanged(QStringLiteral("/elsewhere/"));
    const QString withSeparator = naming.NextVideoFile();
    naming.VideoFolderChanged(QStringLiteral("/elsewhere"));
    EXPECT_EQ(naming.NextVideoFile(), withSeparator);
    EXPECT_EQ(withSeparator, QStringLiteral("/elsewhere/Party_3.wav"));
    EXPECT_EQ(prefs.VideoDirectory->value, QStringLiteral("/elsewhere"));
    EXPECT_EQ(naming.VideoCounter(), 4);

    naming.ImageRootNameLeft(QStringLiteral("Still"));
    naming.ImageIncludeDateClicked(true);
    naming.ImageTypeChanged(ImageType::Jpeg);
    EXPECT_EQ(naming.NextImageFile(), QStringLiteral("/pictures/Still_051223_142530_00000.jpg"));
    EXPECT_TRUE(naming.JpegQualityVisible());
    EXPECT_EQ(prefs.ExtensionDesImages->value, 1);
}

TEST_F(OutputNamingTest, AnUndatedRunStartsAgainAtZeroAndTheImageNumberKeepsFiveDigits)
{
    prefs.VideoDate->value = false;
    OutputNaming naming(prefs, Stamp());
    EXPECT_EQ(naming.NextVideoFile(), QStringLiteral("/clips/Video_0.avi"));
    for (int i = 0; i < 123456; ++i)
        naming.AdvanceImageFile();
    EXPECT_EQ(naming.NextImageFile(), QStringLiteral("/pictures/Image_23456.bmp"));
}

TEST_F(OutputNamingTest, AnExtensionGoesAfterTheLastDotOfTheFileNameOnly)
{
    prefs.VideoDirectory->value = QStringLiteral("/my.clips");
    prefs.VideoRacine->value = QStringLiteral("take");
    prefs.VideoDate->value = false;
    OutputNaming naming(prefs, Stamp());
    naming.ChangeVideoExtension(QStringLiteral(".mpg"));
    EXPECT_EQ(naming.NextVideoFile(), QStringLiteral("/my.clips/take_0.mpg"));
}

TEST_F(OutputNamingTest, ImageByImageFramesLeaveTheSnapshotLabelAlone)
{
    OutputNaming naming(prefs, Stamp());
    naming.SetImageByImageRunning(true);
    (void)naming.BuildImageFileName();
    EXPECT_EQ(naming.NextImageLabel(), QStringLiteral("Image_00000.bmp"));
}

TEST_F(OutputNamingTest, APluginFolderChangeAsksForARestartOnce)
{
    OutputNaming naming(prefs, Stamp());
    const auto message = naming.PluginFolderChosen(QStringLiteral("/opt/plugins"));
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(*message,
              QStringLiteral("The plug-ins found in the folder /opt/plugins\r\nwill only be activated on "
                             "next start of Camtrove\r\n\r\nYou should restart it now."));
    EXPECT_FALSE(naming.PluginFolderChosen(QStringLiteral("/opt/plugins")).has_value());
}

TEST_F(OutputNamingTest, AFolderNotYetMadeIsMeasuredOnTheFileSystemThatWillHoldIt)
{
    const DriveSpace drive = OutputNaming::DriveOf(m_dir.path() + QStringLiteral("/not/yet/made"));
    EXPECT_FALSE(drive.mountPoint.isEmpty());
    EXPECT_GT(drive.totalMegabytes, 0);
    EXPECT_LE(drive.usedMegabytes, drive.totalMegabytes);
}

} // namespace
} // namespace camtrove::app
