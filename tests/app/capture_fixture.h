#pragma once
// The capture control over the real graph module and the built-in test devices, with the Sources
// panel model beside it, answers to questions given in advance, a clock the test moves, and a
// trash of its own (XDG_DATA_HOME in the temporary folder).

#include "app/capture/capture_control.h"
#include "app/capture/tdm_capture_chains.h"
#include "app/panels/captured_files_list.h"
#include "graph/capture_formats.h"
#include "media/core/device_interfaces.h"
#include "platform/prompter.h"
#include "platform/shell.h"
#include "sources_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <deque>
#include <gtest/gtest.h>
#include <thread>

namespace camtrove::app {

class ScriptedPrompter final : public platform::Prompter
{
public:
    platform::PromptAnswer Ask(const QString& text, platform::PromptButtons buttons) override
    {
        questions << text;
        lastButtons = buttons;
        // A busy machine makes the real-time camcorder drop a frame now and then; the question
        // that follows keeps the scene file unless a test asks for something else.
        if (answers.empty() && text.contains(QStringLiteral("frames have been lost during capture")))
            return platform::PromptAnswer::No;
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return platform::PromptAnswer::No;
        }
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Inform(const QString& text) override { messages << text; }

    std::deque<platform::PromptAnswer> answers;
    platform::PromptButtons lastButtons = platform::PromptButtons::YesNo;
    QStringList questions;
    QStringList messages;
};

class NoShell final : public platform::Shell
{
public:
    bool Open(const QString&) override { return false; }
    bool ShowInFolder(const QString&) override { return false; }
    bool Start(const QString&, const QStringList&) override { return false; }
};

class CaptureTest : public ::testing::Test
{
protected:
    CaptureTest() : m_oldDataHome(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
        QDir().mkpath(m_dir.path() + QStringLiteral("/bin"));
        QDir().mkpath(m_dir.path() + QStringLiteral("/data"));
        EXPECT_TRUE(prefs.Build());
        prefs.VideoDirectory->value = VideoFolder();
        prefs.VideoRacine->value = QStringLiteral("Clip");
        prefs.VideoDate->value = false;
        prefs.PreviewLocked->value = false;
        QDir().mkpath(VideoFolder());
    }
    ~CaptureTest() override
    {
        if (dm)
            dm->StopGraph();
        model.reset();
        control.reset();
        if (m_oldDataHome.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_oldDataHome);
    }

    void Start(media::TestDeviceSettings devices = {})
    {
        const auto testDevices =
            std::make_shared<media::TestDeviceSource>(devices, [this] { return camcorder; });
        dm = std::make_unique<graph::Tdm>(media::DeviceSources{testDevices});
        chains = std::make_unique<TdmCaptureChains>(*dm, prefs);
        control =
            std::make_unique<CaptureControl>(*dm, prefs, *chains, files, prompter, [this] { return now; });
        model = std::make_unique<SourcesPanelModel>(*dm, prefs, *control, host, encoders, trace);
        control->SetSources(model.get());
        control->EnterIdleState();
        ASSERT_TRUE(InitialiseSources(*dm, *model, prefs, trace).isEmpty());
    }

    // The camcorder's tape plays: the source delivers frames.
    void PlayTape()
    {
        ASSERT_TRUE(dm->ActiveVideoSource && dm->ActiveVideoSource->CamcorderWindow);
        ASSERT_TRUE(
            Succeeded(dm->ActiveVideoSource->CamcorderWindow->Transport->put_Mode(media::ED_MODE_PLAY)));
    }

    // Waits (at most ten seconds) until the capture's video source has delivered count frames.
    [[nodiscard]] bool WaitForFrames(std::int32_t count) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            std::int32_t delivered = 0;
            const auto& counters = control->Core().DroppedFramesSource;
            if (counters && Succeeded(counters->GetNumNotDropped(&delivered)) && delivered >= count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    [[nodiscard]] QString VideoFolder() const { return m_dir.path() + QStringLiteral("/videos"); }
    [[nodiscard]] QString VideoFile(int number, const QString& extension = QStringLiteral(".avi")) const
    {
        return VideoFolder() + QStringLiteral("/Clip_") + QString::number(number) + extension;
    }
    [[nodiscard]] QString TrashedFile(const QString& name) const
    {
        return m_dir.path() + QStringLiteral("/data/Trash/files/") + name;
    }
    static void WriteFile(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
    }
    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QByteArray m_oldDataHome;
    settings::PreferenceCatalogue prefs{settings::TStoreLocation{
        m_dir.path() + QStringLiteral("/bin/"), m_dir.path() + QStringLiteral("/bin/camtrove"),
        m_dir.path() + QStringLiteral("/config")}};
    media::TestCamcorderSettings camcorder;
    TDateTime now = *TryEncodeDateTime(2026, 3, 14, 10, 0, 0);
    ScriptedPrompter prompter;
    NoShell shell;
    CapturedFilesList files{shell, prompter};
    RecordingHost host;
    NoEncoders encoders;
    RecordingTrace trace;
    std::unique_ptr<graph::Tdm> dm;
    std::unique_ptr<TdmCaptureChains> chains;
    std::unique_ptr<CaptureControl> control;
    std::unique_ptr<SourcesPanelModel> model;
};

} // namespace camtrove::app
