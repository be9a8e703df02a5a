#pragma once
// The Windows Media profile interfaces: a profile names a recording's streams (type, number,
// bitrate, picture size and frame rate or sampling rate); the profile manager loads the system
// profiles of one format version and the profiles known by identifier. Profiles are plain objects
// with no thread of their own; each load gives a new copy the caller may change.

#include "media/core/media_type.h"
#include "media/core/unknown.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace camtrove::media {

// Format versions of the system profile sets, as the profile manager publishes them.
enum WMT_VERSION : std::uint32_t
{
    WMT_VER_4_0 = 0x00040000,
    WMT_VER_7_0 = 0x00070000,
    WMT_VER_8_0 = 0x00080000,
    WMT_VER_9_0 = 0x00090000
};

// A stream's type is its major media type.
inline constexpr GUID WMMEDIATYPE_Video = MEDIATYPE_Video;
inline constexpr GUID WMMEDIATYPE_Audio = MEDIATYPE_Audio;
inline constexpr GUID WMMEDIASUBTYPE_WMV2 = FourCCGuid(MakeFourCC('W', 'M', 'V', '2'));
inline constexpr GUID WMMEDIASUBTYPE_WMAudioV8 = MakeGuid("00000161-0000-0010-8000-00AA00389B71");
inline constexpr std::uint16_t WAVE_FORMAT_WMAUDIO2 = 0x0161;

class IWMStreamConfig : public virtual IUnknown
{
public:
    static constexpr GUID Iid = MakeGuid("96406BDC-2B2B-11D3-B36B-00C04F6108FF");
    [[nodiscard]] virtual HRESULT GetStreamType(GUID* type) = 0;
    [[nodiscard]] virtual HRESULT GetStreamNumber(std::uint16_t* number) = 0;
    [[nodiscard]] virtual HRESULT GetStreamName(QString* name) = 0;
    [[nodiscard]] virtual HRESULT GetConnectionName(QString* name) = 0;
    [[nodiscard]] virtual HRESULT GetBitrate(std::uint32_t* bitsPerSecond) = 0;
    [[nodiscard]] virtual HRESULT GetBufferWindow(std::uint32_t* milliseconds) = 0;
    // The compressed type the stream is written in: WMV2 with a VIDEOINFOHEADER giving the picture
    // size and frame duration, or WMA with a WAVEFORMATEX giving the rate and channels.
    [[nodiscard]] virtual HRESULT GetMediaType(AM_MEDIA_TYPE* type) = 0;
};

class IWMProfile : public virtual IUnknown
{
public:
    static constexpr GUID Iid = MakeGuid("96406BDB-2B2B-11D3-B36B-00C04F6108FF");
    [[nodiscard]] virtual HRESULT GetVersion(WMT_VERSION* version) = 0;
    [[nodiscard]] virtual HRESULT GetProfileID(GUID* id) = 0;
    [[nodiscard]] virtual HRESULT GetName(QString* name) = 0;
    [[nodiscard]] virtual HRESULT SetName(const QString& name) = 0;
    [[nodiscard]] virtual HRESULT GetDescription(QString* description) = 0;
    [[nodiscard]] virtual HRESULT SetDescription(const QString& description) = 0;
    [[nodiscard]] virtual HRESULT GetStreamCount(std::uint32_t* count) = 0;
    // The index-th stream (0 based, in the profile's order): a copy.
    [[nodiscard]] virtual HRESULT GetStream(std::uint32_t index, ComPtr<IWMStreamConfig>* stream) = 0;
    [[nodiscard]] virtual HRESULT GetStreamByNumber(std::uint16_t number,
                                                    ComPtr<IWMStreamConfig>* stream) = 0;
    // Stream numbers start at 1 and stay with their stream when another is removed.
    [[nodiscard]] virtual HRESULT RemoveStreamByNumber(std::uint16_t number) = 0;
};

class IWMProfileManager : public virtual IUnknown
{
public:
    static constexpr GUID Iid = MakeGuid("D16679F2-6CA0-472D-8D31-2F5D55AEE155");
    // VFW_E_NOT_FOUND for an identifier no profile of any version has.
    [[nodiscard]] virtual HRESULT LoadProfileByID(const GUID& id, ComPtr<IWMProfile>* profile) = 0;
    [[nodiscard]] virtual HRESULT GetSystemProfileCount(std::uint32_t* count) = 0;
    [[nodiscard]] virtual HRESULT LoadSystemProfile(std::uint32_t index, ComPtr<IWMProfile>* profile) = 0;
};

class IWMProfileManager2 : public IWMProfileManager
{
public:
    static constexpr GUID Iid = MakeGuid("7A924E51-73C1-494D-8019-23D37ED9B89A");
    [[nodiscard]] virtual HRESULT GetSystemProfileVersion(WMT_VERSION* version) = 0;
    // The version whose system profiles the count and LoadSystemProfile give; WMT_VER_8_0 at first.
    [[nodiscard]] virtual HRESULT SetSystemProfileVersion(WMT_VERSION version) = 0;
};

// One stream of a profile, as plain values.
struct WmStreamDescription
{
    std::uint16_t number = 0;
    GUID type; // WMMEDIATYPE_Video or WMMEDIATYPE_Audio
    QString name;
    std::uint32_t bitrate = 0; // bits per second
    std::uint32_t bufferWindowMs = 3000;
    // Video
    std::int32_t width = 0;
    std::int32_t height = 0;
    REFERENCE_TIME frameDuration = 0;
    // Audio
    std::uint32_t sampleRate = 0;
    std::uint16_t channels = 0;

    [[nodiscard]] bool IsVideo() const { return type == WMMEDIATYPE_Video; }
    [[nodiscard]] bool IsAudio() const { return type == WMMEDIATYPE_Audio; }
};

struct WmProfileDescription
{
    GUID id;
    WMT_VERSION version = WMT_VER_8_0;
    QString name;
    QString description;
    std::vector<WmStreamDescription> streams;
};

// A profile object holding a copy of the description.
[[nodiscard]] ComPtr<IWMProfile> MakeWmProfile(WmProfileDescription description);

// The compressed media type of a stream, as IWMStreamConfig::GetMediaType gives it.
[[nodiscard]] AM_MEDIA_TYPE StreamMediaType(const WmStreamDescription& stream);

// Reads any profile object back into values; nothing when it gives a stream the writer cannot
// write (a type other than video or audio, or a media type without its size or rate).
[[nodiscard]] std::optional<WmProfileDescription> DescribeProfile(IWMProfile* profile);

} // namespace camtrove::media
