#pragma once
// The Sources panel model over the real graph module and the built-in test devices, with the
// window's side recorded and the preferences at their defaults in a temporary program folder.

#include "app/capture/preview_only_capture_control.h"
#include "app/panels/deferred_initialisation.h"
#include "app/panels/sources_panel_model.h"
#include "media/devices/test_camera.h"
#include "media/devices/test_device_source.h"
#include "settings/catalogue.h"

#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <gtest/gtest.h>
#include <memory>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace camtrove::app {

class RecordingHost final : public SourcesPanelHost
{
public:
    [[nodiscard]] QSize PreviewSize() const override { return previewSize; }
    void DimensionnerWithRatio() override { ++dimensioned; }
    void ResetDvWideFlag() override { ++dvWideResets; }
    void ApplyInlayAndFlips() override { ++inlayApplied; }
    void PlaceButtonRow() override {}
    void ReapplyIntervalometer() override {}
    void RebuildSystemReport() override { ++systemReports; }
    void ShowSettingsTab(int tab) override { settingsTab = tab; }

    QSize previewSize{640, 480};
    int dimensioned = 0;
    int dvWideResets = 0;
    int inlayApplied = 0;
    int systemReports = 0;
    int settingsTab = -1;
};

class RecordingTrace final : public TraceSink
{
public:
    void TraceLine(const QString& line) override { lines.append(line); }
    QStringList lines;
};

// A camera that the test plugs in and out between two enumerations.
class PluggableCamera final : public media::DeviceSource
{
public:
    [[nodiscard]] std::vector<media::DeviceEntry> Devices(const media::GUID& category) const override
    {
        if (!plugged || category != media::CLSID_VideoInputDeviceCategory)
            return {};
        return {{QStringLiteral("Studio Camera"), media::CLSID_TestCamera,
                 QStringLiteral("test:studio-camera"),
                 [] { return media::ComPtr<media::IBaseFilter>(media::TestCamera::Create()); }}};
    }
    std::atomic<bool> plugged{false};
};

class SourcesTest : public ::testing::Test
{
protected:
    SourcesTest()
    {
        QDir().mkpath(m_dir.path() + QStringLiteral("/bin"));
        EXPECT_TRUE(prefs.Build()); // nothing stored: the defaults
    }
    ~SourcesTest() override
    {
        model.reset();
        if (dm)
            dm->StopGraph();
    }

    // The devices and the start-up, with whatever the test stored in the preferences before.
    void Start(media::TestDeviceSettings devices = {})
    {
        const auto testDevices =
            std::make_shared<media::TestDeviceSource>(devices, [this] { return camcorder; });
        dm = std::make_unique<graph::Tdm>(media::DeviceSources{camera, testDevices});
        model = std::make_unique<SourcesPanelModel>(*dm, prefs, capture, host, *inventory, trace);
        error = InitialiseSources(*dm, *model, prefs, trace);
    }

    [[nodiscard]] QString ActiveVideoName() const
    {
        return dm->ActiveVideoSource ? dm->ActiveVideoSource->Name : QStringLiteral("(none)");
    }
    [[nodiscard]] QString ActiveAudioName() const
    {
        return dm->ActiveAudioSource ? dm->ActiveAudioSource->Name : QStringLiteral("(none)");
    }
    [[nodiscard]] int SourceCheckIndex(const QString& name) const
    {
        for (std::size_t i = 0; i < model->SourceChecks.size(); ++i)
            if (model->SourceChecks[i].Name == name)
                return static_cast<int>(i);
        return -1;
    }
    // The graph's filters of a class, found by what they are rather than by their graph names.
    template <class Filter> [[nodiscard]] int FiltersInGraph() const
    {
        int count = 0;
        for (const auto& filter : dm->Graph()->Filters())
            count += dynamic_cast<Filter*>(filter.Get()) != nullptr;
        return count;
    }

    QTemporaryDir m_dir;
    settings::PreferenceCatalogue prefs{settings::TStoreLocation{
        m_dir.path() + QStringLiteral("/bin/"), m_dir.path() + QStringLiteral("/bin/camtrove"),
        m_dir.path() + QStringLiteral("/config")}};
    media::TestCamcorderSettings camcorder;
    std::shared_ptr<PluggableCamera> camera = std::make_shared<PluggableCamera>();
    PreviewOnlyCaptureControl capture;
    RecordingHost host;
    NoEncoders encoders;
    const EncoderInventory* inventory = &encoders; // a test may give the discovered encoders
    RecordingTrace trace;
    std::unique_ptr<graph::Tdm> dm;
    std::unique_ptr<SourcesPanelModel> model;
    QString error;
};

} // namespace camtrove::app
