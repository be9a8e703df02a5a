#pragma once
// The sources: one stream of one capture device, chosen by name in the source lists. A source
// holds its device, the stream number from 1 and, while active, the camcorder window it was
// given. The source lists own their sources. Control thread only.

#include "graph/capture_device.h"

#include <QString>

#include <memory>
#include <vector>

namespace camtrove::graph {

class TCamcorderWindow;

// Video source codes: 1 a device stream, 5 a DV camcorder; activation sets 2 (VIDEOINFOHEADER2),
// 3 (MPEG-1) or 4 (MPEG-2) from the native format.
inline constexpr std::uint8_t vsDevice = 1;
inline constexpr std::uint8_t vsVideoInfo2 = 2;
inline constexpr std::uint8_t vsMpeg1 = 3;
inline constexpr std::uint8_t vsMpeg2 = 4;
inline constexpr std::uint8_t vsDVCamcorder = 5;
// Audio source codes.
inline constexpr std::uint8_t asPlugIn = 1;
inline constexpr std::uint8_t asVideoDevice = 2;
inline constexpr std::uint8_t asAudioDevice = 3;
inline constexpr std::uint8_t asDVCamcorder = 4;

class TavFlux
{
public:
    virtual ~TavFlux();
    TavFlux(const TavFlux&) = delete;
    TavFlux& operator=(const TavFlux&) = delete;

    bool HasTransport = false;
    TCamcorderWindow* CamcorderWindow = nullptr;
    bool VCR = false;
    bool Camera = false;
    filters::Tct_SceneDetect* SceneDetect = nullptr;
    TCaptureDevice* Device;
    std::int32_t Stream;
    QString Name;
    bool Active = false;

protected:
    TavFlux(TCaptureDevice& device, std::int32_t stream, QString name);

private:
    Tdm* m_dm; // outlives the sources; the device may not
};

class TVideoSource final : public TavFlux
{
public:
    // Null unless 1 <= stream <= the device's video stream count.
    [[nodiscard]] static std::unique_ptr<TVideoSource> Create(TCaptureDevice& device, std::int32_t stream);
    std::uint8_t Code;

private:
    TVideoSource(TCaptureDevice& device, std::int32_t stream);
};

class TAudioSource final : public TavFlux
{
public:
    // Null unless 1 <= stream <= the device's audio stream count.
    [[nodiscard]] static std::unique_ptr<TAudioSource> Create(TCaptureDevice& device, std::int32_t stream);
    std::uint8_t Code;

private:
    TAudioSource(TCaptureDevice& device, std::int32_t stream);
};

[[nodiscard]] QString VideoSourceName(const TCaptureDevice& device, std::int32_t stream);
[[nodiscard]] QString AudioSourceName(const TCaptureDevice& device, std::int32_t stream);

template <class Source> class TSourcesList
{
public:
    void Add(std::unique_ptr<Source> source)
    {
        if (source)
            m_items.push_back(std::move(source));
    }
    // Null when the index is out of range.
    [[nodiscard]] Source* Items(int index) const
    {
        return index >= 0 && index < Count() ? m_items[static_cast<std::size_t>(index)].get() : nullptr;
    }
    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    // Null when no source has this name.
    [[nodiscard]] Source* Find(const QString& name) const
    {
        for (const auto& source : m_items)
            if (source->Name == name)
                return source.get();
        return nullptr;
    }
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<Source>> m_items;
};

using TvideoSourcesList = TSourcesList<TVideoSource>;
using TAudioSourcesList = TSourcesList<TAudioSource>;

} // namespace camtrove::graph
