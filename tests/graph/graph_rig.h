#pragma once
// The graph tests' rig: a graph module over the built-in test devices with the settings a test
// asks for, a hardware list a test can unplug devices from, the device lists and the sources
// built from them as the source panel builds them.

#include "graph/capture_device_list.h"
#include "graph/sources.h"
#include "graph/tdm.h"
#include "media/devices/test_device_source.h"

#include <QDir>

#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace camtrove::graph::testing {

// Sanitized builds decode many times slower than real time: there the rate checks only ask that
// pictures and sound flow, never faster than real time.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// The built-in test devices, less those a test has unplugged (by device path).
class UnpluggableDevices final : public media::DeviceSource
{
public:
    explicit UnpluggableDevices(std::shared_ptr<media::DeviceSource> devices) : m_devices(std::move(devices))
    {
    }
    std::vector<media::DeviceEntry> Devices(const media::GUID& category) const override
    {
        std::vector<media::DeviceEntry> present;
        for (auto& device : m_devices->Devices(category))
            if (!unplugged.count(device.devicePath))
                present.push_back(std::move(device));
        return present;
    }
    std::set<QString> unplugged;

private:
    std::shared_ptr<media::DeviceSource> m_devices;
};

inline media::TestCamcorderSettings LiveCamcorder()
{
    media::TestCamcorderSettings settings;
    settings.camera = true;
    return settings;
}

struct Rig
{
    // Other hardware, when given, is listed before the test devices.
    explicit Rig(media::TestDeviceSettings settings = {},
                 media::TestCamcorderSettings camcorder = media::TestCamcorderSettings{},
                 std::shared_ptr<media::DeviceSource> other = nullptr)
        : hardware(std::make_shared<UnpluggableDevices>(
              std::make_shared<media::TestDeviceSource>(settings, [camcorder] { return camcorder; }))),
          dm({other, hardware}), videoDevices(dm), audioDevices(dm)
    {
        EXPECT_TRUE(dm.AttachRenderers());
        dm.EnumerateCrossbars();
        Refresh();
    }

    // Both device lists, then the sources: every video stream of the video devices; every audio
    // stream of the video devices, then of the audio devices.
    void Refresh()
    {
        videoSources.Clear();
        audioSources.Clear();
        EXPECT_TRUE(videoDevices.Refresh(media::CLSID_VideoInputDeviceCategory));
        EXPECT_TRUE(audioDevices.Refresh(media::CLSID_AudioInputDeviceCategory));
        for (auto* list : {&videoDevices, &audioDevices})
            for (int i = 0; i < list->Count(); ++i) {
                auto& device = *list->Items(i);
                for (int n = 1; n <= device.VideoStreams; ++n)
                    videoSources.Add(TVideoSource::Create(device, n));
                for (int n = 1; n <= device.AudioStreams; ++n)
                    audioSources.Add(TAudioSource::Create(device, n));
            }
    }

    TVideoSource& Video(const QString& name)
    {
        auto* source = videoSources.Find(name);
        EXPECT_NE(source, nullptr) << name.toStdString();
        return *source;
    }
    TAudioSource& Audio(const QString& name)
    {
        auto* source = audioSources.Find(name);
        EXPECT_NE(source, nullptr) << name.toStdString();
        return *source;
    }

    // The graph names of the filters in the main graph.
    [[nodiscard]] QStringList FilterNames() const
    {
        QStringList names;
        for (const auto& filter : dm.Graph()->Filters())
            names << dm.Graph()->NameOf(filter.Get());
        return names;
    }
    [[nodiscard]] int CountOfClass(const media::GUID& clsid) const
    {
        int count = 0;
        for (const auto& filter : dm.Graph()->Filters()) {
            media::GUID id{};
            if (filter->GetClassID(&id) == S_OK && id == clsid)
                ++count;
        }
        return count;
    }

    std::shared_ptr<UnpluggableDevices> hardware;
    Tdm dm;
    TCaptureDeviceList videoDevices;
    TCaptureDeviceList audioDevices;
    TvideoSourcesList videoSources;
    TAudioSourcesList audioSources;
};

// The threads of this process now.
inline int ThreadCount()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

} // namespace camtrove::graph::testing
