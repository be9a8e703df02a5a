#pragma once
// Interfaces that capture devices and stock filters give besides the streaming ones. Each is
// found with QueryInterface on the filter or on one of its pins.

#include "media/core/filter_interfaces.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace camtrove::media {

// The framework's IStream seek origins.
enum STREAM_SEEK : std::uint32_t
{
    STREAM_SEEK_SET = 0,
    STREAM_SEEK_CUR = 1,
    STREAM_SEEK_END = 2
};

// Byte-stream access to what a file sink writes, so that a filter can rewrite a header.
class IStream : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IStream;
    [[nodiscard]] virtual HRESULT Read(void* data, std::uint32_t size, std::uint32_t* read) = 0;
    [[nodiscard]] virtual HRESULT Write(const void* data, std::uint32_t size, std::uint32_t* written) = 0;
    [[nodiscard]] virtual HRESULT Seek(std::int64_t offset, STREAM_SEEK origin,
                                       std::uint64_t* newPosition) = 0;
    // Cuts or extends the stream; a writer that finishes a file after a failed write cuts off the
    // partial data. Streams that cannot change their size say so.
    [[nodiscard]] virtual HRESULT SetSize(std::uint64_t /*size*/) { return E_NOTIMPL; }
};

class IAMStreamConfig : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMStreamConfig;
    [[nodiscard]] virtual HRESULT SetFormat(const AM_MEDIA_TYPE& type) = 0;
    [[nodiscard]] virtual HRESULT GetFormat(AM_MEDIA_TYPE* type) = 0;
    [[nodiscard]] virtual HRESULT GetNumberOfCapabilities(std::int32_t* count, std::int32_t* capsSize) = 0;
    [[nodiscard]] virtual HRESULT GetStreamCaps(std::int32_t index, AM_MEDIA_TYPE* type) = 0;
};

// Physical connector types of crossbar pins
inline constexpr std::int32_t PhysConn_Video_Tuner = 1;
inline constexpr std::int32_t PhysConn_Video_Composite = 2;
inline constexpr std::int32_t PhysConn_Video_SVideo = 3;
inline constexpr std::int32_t PhysConn_Video_VideoDecoder = 0x1000;
inline constexpr std::int32_t PhysConn_Audio_Tuner = 0x1001;
inline constexpr std::int32_t PhysConn_Audio_Line = 0x1002;
inline constexpr std::int32_t PhysConn_Audio_AudioDecoder = 0x1007;

class IAMCrossbar : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMCrossbar;
    [[nodiscard]] virtual HRESULT get_PinCounts(std::int32_t* outputs, std::int32_t* inputs) = 0;
    [[nodiscard]] virtual HRESULT CanRoute(std::int32_t output, std::int32_t input) = 0;
    [[nodiscard]] virtual HRESULT Route(std::int32_t output, std::int32_t input) = 0;
    [[nodiscard]] virtual HRESULT get_IsRoutedTo(std::int32_t output, std::int32_t* input) = 0;
    [[nodiscard]] virtual HRESULT get_CrossbarPinInfo(bool isInput, std::int32_t index, std::int32_t* related,
                                                      std::int32_t* physicalType) = 0;
};

// Properties of IAMVideoProcAmp
enum VideoProcAmpProperty : std::int32_t
{
    VideoProcAmp_Brightness = 0,
    VideoProcAmp_Contrast,
    VideoProcAmp_Hue,
    VideoProcAmp_Saturation,
    VideoProcAmp_Sharpness,
    VideoProcAmp_Gamma,
    VideoProcAmp_ColorEnable,
    VideoProcAmp_WhiteBalance,
    VideoProcAmp_BacklightCompensation,
    VideoProcAmp_Gain
};
inline constexpr std::int32_t VideoProcAmp_Flags_Auto = 1;
inline constexpr std::int32_t VideoProcAmp_Flags_Manual = 2;

class IAMVideoProcAmp : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMVideoProcAmp;
    [[nodiscard]] virtual HRESULT GetRange(std::int32_t property, std::int32_t* min, std::int32_t* max,
                                           std::int32_t* step, std::int32_t* defaultValue,
                                           std::int32_t* capsFlags) = 0;
    [[nodiscard]] virtual HRESULT Set(std::int32_t property, std::int32_t value, std::int32_t flags) = 0;
    [[nodiscard]] virtual HRESULT Get(std::int32_t property, std::int32_t* value, std::int32_t* flags) = 0;
};

class IAMCameraControl : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMCameraControl;
    [[nodiscard]] virtual HRESULT GetRange(std::int32_t property, std::int32_t* min, std::int32_t* max,
                                           std::int32_t* step, std::int32_t* defaultValue,
                                           std::int32_t* capsFlags) = 0;
    [[nodiscard]] virtual HRESULT Set(std::int32_t property, std::int32_t value, std::int32_t flags) = 0;
    [[nodiscard]] virtual HRESULT Get(std::int32_t property, std::int32_t* value, std::int32_t* flags) = 0;
};

class IAMDroppedFrames : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMDroppedFrames;
    [[nodiscard]] virtual HRESULT GetNumDropped(std::int32_t* dropped) = 0;
    [[nodiscard]] virtual HRESULT GetNumNotDropped(std::int32_t* notDropped) = 0;
    [[nodiscard]] virtual HRESULT GetAverageFrameSize(std::int32_t* averageSize) = 0;
};

class IAMVideoCompression : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMVideoCompression;
    [[nodiscard]] virtual HRESULT put_KeyFrameRate(std::int32_t rate) = 0;
    [[nodiscard]] virtual HRESULT get_KeyFrameRate(std::int32_t* rate) = 0;
    [[nodiscard]] virtual HRESULT put_Quality(double quality) = 0;
    [[nodiscard]] virtual HRESULT get_Quality(double* quality) = 0;
};

class IAMTVTuner : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMTVTuner;
    [[nodiscard]] virtual HRESULT put_Channel(std::int32_t channel, std::int32_t videoSubChannel,
                                              std::int32_t audioSubChannel) = 0;
    [[nodiscard]] virtual HRESULT get_Channel(std::int32_t* channel, std::int32_t* videoSubChannel,
                                              std::int32_t* audioSubChannel) = 0;
};

class IAMTVAudio : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMTVAudio;
    [[nodiscard]] virtual HRESULT GetHardwareSupportedTVAudioModes(std::int32_t* modes) = 0;
    [[nodiscard]] virtual HRESULT put_TVAudioMode(std::int32_t mode) = 0;
    [[nodiscard]] virtual HRESULT get_TVAudioMode(std::int32_t* mode) = 0;
};

// Dialogs of IAMVfwCaptureDialogs
inline constexpr std::int32_t VfwCaptureDialog_Source = 1;
inline constexpr std::int32_t VfwCaptureDialog_Format = 2;
inline constexpr std::int32_t VfwCaptureDialog_Display = 4;

class IAMVfwCaptureDialogs : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMVfwCaptureDialogs;
    [[nodiscard]] virtual HRESULT HasDialog(std::int32_t dialog) = 0; // S_OK when it has one
    [[nodiscard]] virtual HRESULT ShowDialog(std::int32_t dialog, void* parentWindow) = 0;
};

class ISpecifyPropertyPages : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_ISpecifyPropertyPages;
    [[nodiscard]] virtual HRESULT GetPages(std::vector<GUID>* pages) = 0;
};

class IKsPropertySet : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IKsPropertySet;
    // AMPROPSETID_Pin property 0 gives the pin category GUID.
    [[nodiscard]] virtual HRESULT Get(const GUID& propertySet, std::uint32_t id, void* data,
                                      std::uint32_t size, std::uint32_t* returned) = 0;
};
inline constexpr std::uint32_t AMPROPERTY_PIN_CATEGORY = 0;

// Capabilities and device types of IAMExtDevice
inline constexpr std::int32_t ED_BASE = 0x1000;
inline constexpr std::int32_t ED_DEVCAP_DEVICE_TYPE = ED_BASE + 7;
inline constexpr std::int32_t ED_DEVTYPE_VCR = ED_BASE + 8;
inline constexpr std::int32_t ED_DEVTYPE_CAMERA = ED_BASE + 900;

class IAMExtDevice : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMExtDevice;
    [[nodiscard]] virtual HRESULT GetCapability(std::int32_t capability, std::int32_t* value,
                                                double* doubleValue) = 0;
};

// Transport modes of IAMExtTransport
inline constexpr std::int32_t ED_MODE_PLAY = ED_BASE + 200;
inline constexpr std::int32_t ED_MODE_STOP = ED_BASE + 201;
inline constexpr std::int32_t ED_MODE_FREEZE = ED_BASE + 202;
inline constexpr std::int32_t ED_MODE_FF = ED_BASE + 204;
inline constexpr std::int32_t ED_MODE_REW = ED_BASE + 205;
inline constexpr std::int32_t ED_MODE_RECORD = ED_BASE + 206;
inline constexpr std::int32_t ED_MODE_PLAY_FASTEST_FWD = ED_BASE + 933;
inline constexpr std::int32_t ED_MODE_PLAY_SLOWEST_FWD = ED_BASE + 934;
inline constexpr std::int32_t ED_MODE_PLAY_FASTEST_REV = ED_BASE + 935;
inline constexpr std::int32_t ED_MODE_PLAY_SLOWEST_REV = ED_BASE + 936;
// The timecode reader's request flag: read the tape's timecode.
inline constexpr std::uint32_t ED_DEVCAP_TIMECODE_READ = ED_BASE + 25;

class IAMExtTransport : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMExtTransport;
    [[nodiscard]] virtual HRESULT put_Mode(std::int32_t mode) = 0;
    [[nodiscard]] virtual HRESULT get_Mode(std::int32_t* mode) = 0;
    [[nodiscard]] virtual HRESULT GetStatus(std::int32_t item, std::int32_t* value) = 0;
};

struct TIMECODE_SAMPLE
{
    std::int64_t qwTick = 0;
    std::uint16_t wFrameRate = 0;
    std::uint16_t wFrameFract = 0;
    std::uint32_t dwFrames = 0; // binary-coded decimal hh:mm:ss:ff, hours in the top byte
    std::uint32_t dwUser = 0;
    std::uint32_t dwFlags = 0;
};

class IAMTimecodeReader : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IAMTimecodeReader;
    [[nodiscard]] virtual HRESULT GetTimecode(TIMECODE_SAMPLE* timecode) = 0;
};

class IFileSinkFilter : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IFileSinkFilter;
    [[nodiscard]] virtual HRESULT SetFileName(const QString& fileName, const AM_MEDIA_TYPE* type) = 0;
    [[nodiscard]] virtual HRESULT GetCurFile(QString* fileName, AM_MEDIA_TYPE* type) = 0;
};

enum InterleavingMode : std::int32_t
{
    INTERLEAVE_NONE = 0,
    INTERLEAVE_CAPTURE = 1,
    INTERLEAVE_FULL = 2,
    INTERLEAVE_NONE_BUFFERED = 3
};

class IConfigInterleaving : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IConfigInterleaving;
    [[nodiscard]] virtual HRESULT put_Mode(InterleavingMode mode) = 0;
    [[nodiscard]] virtual HRESULT get_Mode(InterleavingMode* mode) = 0;
    [[nodiscard]] virtual HRESULT put_Interleaving(const REFERENCE_TIME* leaving,
                                                   const REFERENCE_TIME* preroll) = 0;
    [[nodiscard]] virtual HRESULT get_Interleaving(REFERENCE_TIME* leaving, REFERENCE_TIME* preroll) = 0;
};

class IVideoWindow : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IVideoWindow;
    [[nodiscard]] virtual HRESULT put_Visible(bool visible) = 0;
    [[nodiscard]] virtual HRESULT get_Visible(bool* visible) = 0;
    [[nodiscard]] virtual HRESULT SetWindowPosition(std::int32_t left, std::int32_t top, std::int32_t width,
                                                    std::int32_t height) = 0;
    [[nodiscard]] virtual HRESULT GetWindowPosition(std::int32_t* left, std::int32_t* top,
                                                    std::int32_t* width, std::int32_t* height) = 0;
};

class IBasicAudio : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IBasicAudio;
    [[nodiscard]] virtual HRESULT put_Volume(std::int32_t volume) = 0;
    [[nodiscard]] virtual HRESULT get_Volume(std::int32_t* volume) = 0;
};

} // namespace camtrove::media
