// The Grab panel over the running preview of the built-in test camera: a grab becomes a picture of
// the chosen ratio under the next image name, registered with one frame; the replace question;
// image by image lets one frame through per grab instead.
#include "app/capture/output_naming.h"
#include "app/panels/grab_panel_model.h"
#include "app/panels/snapshot_geometry.h"
#include "platform/prompter.h"
#include "platform/shell.h"
#include "sources_fixture.h"

#include <QElapsedTimer>
#include <QImageReader>
#include <QThread>

namespace camtrove::app {
namespace {

class NoShell final : public platform::Shell
{
public:
    bool Open(const QString&) override { return false; }
    bool ShowInFolder(const QString&) override { return false; }
    bool Start(const QString&, const QStringList&) override { return false; }
};

class AnsweringPrompter final : public platform::Prompter
{
public:
    platform::PromptAnswer Ask(const QString& text, platform::PromptButtons) override
    {
        questions << text;
        return answer;
    }
    void Inform(const QString& text) override { messages << text; }
    platform::PromptAnswer answer = platform::PromptAnswer::Yes;
    QStringList questions, messages;
};

class GrabPanelTest : public SourcesTest, public GrabPanelHost
{
protected:
    void ShowGrabPanel() override { ++shown; }
    QSize DisplayRatio() const override { return {0, 0}; }
    CaptureRecord SourceTexts() const override
    {
        return {QStringLiteral("Camtrove Test Camera"),
                QStringLiteral("no audio stream"),
                {},
                QStringLiteral("Wmv")};
    }
    void RefreshStatusTexts() override {}
    void PlayBeep(int which) override { beeps.push_back(which); }

    void StartCamera()
    {
        prefs.SourceVideo->value = QStringLiteral("Camtrove Test Camera");
        prefs.ImageDirectory->value = m_pictures.path();
        Start();
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_EQ(ActiveVideoName(), QStringLiteral("Camtrove Test Camera"));
        naming = std::make_unique<OutputNaming>(prefs, TryEncodeDateTime(2026, 12, 10, 20, 0, 0).value());
        grab = std::make_unique<GrabPanelModel>(*dm, prefs, *naming, files, prompter, *this);
    }

    // The slot the inlay filter grabbed into, once the running preview delivered a frame.
    int GrabOne()
    {
        grab->RequestGrab();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            for (int slot = 0; slot < filters::Tct_Superposer::kGrabSlots; ++slot)
                if (dm->Superposer->GrabBusy(slot))
                    return slot;
            QThread::msleep(10);
        }
        return -1;
    }

    QTemporaryDir m_pictures;
    NoShell shell;
    AnsweringPrompter prompter;
    CapturedFilesList files{shell, prompter};
    std::unique_ptr<OutputNaming> naming;
    std::unique_ptr<GrabPanelModel> grab;
    int shown = 0;
    std::vector<int> beeps;
};

TEST_F(GrabPanelTest, SavesTheGrabbedFrameAtTheChosenRatioAndRegistersIt)
{
    StartCamera();
    prefs.ExtensionDesImages->value = 1; // JPEG
    prefs.AspectRatio->value = 2;        // 16:9
    naming->ImageTypeChanged(ImageType::Jpeg);
    const QString first = naming->NextImageFile();

    const int slot = GrabOne();
    ASSERT_GE(slot, 0) << "the preview delivered no frame to grab";
    grab->OnImageGrabbed(slot);
    EXPECT_FALSE(dm->Superposer->GrabBusy(slot)) << "the slot is given back";
    EXPECT_EQ(shown, 1);

    QImageReader reader(first);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QSize frame(dm->NativeVideo.Width, dm->NativeVideo.Height);
    EXPECT_EQ(reader.size(), FitToRatio(frame, 16, 9));
    EXPECT_EQ(grab->Thumbnail(), ThumbnailRect(reader.size()));
    ASSERT_EQ(files.Items().size(), 1u);
    EXPECT_EQ(files.Items()[0].path, first);
    EXPECT_EQ(files.Items()[0].capturedFrames, 1);
    EXPECT_EQ(files.Items()[0].droppedFrames, -1);
    EXPECT_NE(naming->NextImageFile(), first) << "the number is taken";
}

TEST_F(GrabPanelTest, AsksBeforeReplacingAndAllStopsAsking)
{
    StartCamera();
    const QString target = naming->NextImageFile();
    {
        QFile existing(target);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("old");
    }
    prompter.answer = platform::PromptAnswer::No;
    int slot = GrabOne();
    ASSERT_GE(slot, 0);
    grab->OnImageGrabbed(slot);
    ASSERT_EQ(prompter.questions.size(), 1);
    EXPECT_EQ(prompter.questions[0], GrabPanelModel::ReplaceQuestion(OutputNaming::FileNamePart(target)));
    EXPECT_EQ(naming->NextImageFile(), target) << "No keeps the name";
    EXPECT_TRUE(files.Items().empty());
    EXPECT_FALSE(dm->Superposer->GrabBusy(slot)) << "a refused picture frees its slot too";

    prompter.answer = platform::PromptAnswer::All;
    slot = GrabOne();
    ASSERT_GE(slot, 0);
    grab->OnImageGrabbed(slot);
    EXPECT_FALSE(prefs.ConfirmerImage->value);
    EXPECT_GT(QFileInfo(target).size(), 3) << "the new picture replaced the old file";
    EXPECT_EQ(files.Items().size(), 1u);
}

TEST_F(GrabPanelTest, ImageByImageLetsOneFramePerGrabThroughAndSavesNothing)
{
    StartCamera();
    grab->EnterImageByImage();
    EXPECT_EQ(grab->NextImageLabel(), QStringLiteral("Capture Image by Image to a Video"));
    EXPECT_EQ(grab->GrabButtonImage(), 3);
    dm->ControlFilter->Gate.store(false);
    const int slot = GrabOne();
    ASSERT_GE(slot, 0);
    grab->OnImageGrabbed(slot);
    EXPECT_TRUE(dm->ControlFilter->Gate.load()) << "the gate is open for one frame";
    EXPECT_EQ(grab->ImageByImageFrames(), 1);
    EXPECT_TRUE(files.Items().empty());
    EXPECT_FALSE(QFile::exists(naming->NextImageFile()));

    grab->LeaveImageByImage();
    EXPECT_EQ(grab->GrabButtonImage(), 6);

    // A capture that received no frame leaves no file.
    grab->EnterImageByImage();
    const QString empty = m_pictures.filePath(QStringLiteral("Video_0.avi"));
    {
        QFile file(empty);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("RIFF");
    }
    EXPECT_TRUE(grab->FinishImageByImage(empty));
    EXPECT_FALSE(QFile::exists(empty));
}

TEST_F(GrabPanelTest, RefusesAnIntervalItCannotCountAndBeepsTheCountdown)
{
    StartCamera();
    prefs.ValeurIntervallometre->value = 200;
    prefs.UnitesIntervallometre->value = static_cast<int>(IntervalUnit::Hours);
    EXPECT_FALSE(grab->SetIntervalometer(true));
    EXPECT_FALSE(grab->IntervalometerOn());
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(grab->StatusText().text, QStringLiteral("BMP - Intervallo OFF"));

    prefs.ValeurIntervallometre->value = 10;
    prefs.UnitesIntervallometre->value = static_cast<int>(IntervalUnit::Seconds);
    EXPECT_TRUE(grab->SetIntervalometer(true));
    EXPECT_FALSE(grab->IntervalFieldsEnabled());
    EXPECT_TRUE(grab->CountdownVisible());
    EXPECT_EQ(grab->StatusText().text, QStringLiteral("BMP - every 10 seconds"));
    EXPECT_EQ(grab->StatusText().colour, clRed);

    grab->BeepsClicked(true);
    for (int n = 9; n >= 0; --n)
        grab->OnCountdown(n);
    EXPECT_EQ(beeps, (std::vector<int>{1, 1, 1, 1, 0}));
    EXPECT_EQ(grab->CountdownText(), QStringLiteral("0"));

    grab->ToggleIntervalometer();
    EXPECT_FALSE(grab->IntervalometerOn());
    EXPECT_TRUE(grab->IntervalFieldsEnabled());
}

TEST_F(GrabPanelTest, RefusesAMalformedImagesPerSecondValue)
{
    StartCamera();
    grab->ImagesPerSecondLeft(QStringLiteral("12.5"));
    EXPECT_DOUBLE_EQ(prefs.Framerate->value, 12.5);
    grab->ImagesPerSecondLeft(QStringLiteral("twelve"));
    EXPECT_EQ(prompter.messages, QStringList{GrabPanelModel::ImagesPerSecondMessage()});
    EXPECT_EQ(grab->ImagesPerSecondText(), QStringLiteral("18,0"));
    EXPECT_DOUBLE_EQ(prefs.Framerate->value, 18.0);
}

} // namespace
} // namespace camtrove::app
