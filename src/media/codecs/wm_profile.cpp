#include "media/codecs/wm_profile.h"

#include <algorithm>

namespace camtrove::media {

namespace {

template <class Self, class Interface> HRESULT QueryOne(Self* self, const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == Interface::Iid) {
        *object = static_cast<Interface*>(self);
        self->AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

class WmStreamConfig final : public RefCounted, public IWMStreamConfig
{
public:
    explicit WmStreamConfig(WmStreamDescription stream) : m_stream(std::move(stream)) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        return QueryOne<WmStreamConfig, IWMStreamConfig>(this, iid, object);
    }

    HRESULT GetStreamType(GUID* type) override { return Give(type, m_stream.type); }
    HRESULT GetStreamNumber(std::uint16_t* number) override { return Give(number, m_stream.number); }
    HRESULT GetStreamName(QString* name) override { return Give(name, m_stream.name); }
    HRESULT GetConnectionName(QString* name) override
    {
        return Give(name, m_stream.IsVideo() ? QStringLiteral("Video%1").arg(m_stream.number)
                                             : QStringLiteral("Audio%1").arg(m_stream.number));
    }
    HRESULT GetBitrate(std::uint32_t* bitsPerSecond) override
    {
        return Give(bitsPerSecond, m_stream.bitrate);
    }
    HRESULT GetBufferWindow(std::uint32_t* milliseconds) override
    {
        return Give(milliseconds, m_stream.bufferWindowMs);
    }
    HRESULT GetMediaType(AM_MEDIA_TYPE* type) override { return Give(type, StreamMediaType(m_stream)); }

private:
    template <class T> static HRESULT Give(T* out, const T& value)
    {
        if (!out)
            return E_POINTER;
        *out = value;
        return S_OK;
    }

    WmStreamDescription m_stream;
};

class WmProfile final : public RefCounted, public IWMProfile
{
public:
    explicit WmProfile(WmProfileDescription description) : m_profile(std::move(description)) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        return QueryOne<WmProfile, IWMProfile>(this, iid, object);
    }

    HRESULT GetVersion(WMT_VERSION* version) override
    {
        if (!version)
            return E_POINTER;
        *version = m_profile.version;
        return S_OK;
    }
    HRESULT GetProfileID(GUID* id) override
    {
        if (!id)
            return E_POINTER;
        *id = m_profile.id;
        return S_OK;
    }
    HRESULT GetName(QString* name) override
    {
        if (!name)
            return E_POINTER;
        *name = m_profile.name;
        return S_OK;
    }
    HRESULT SetName(const QString& name) override
    {
        m_profile.name = name;
        return S_OK;
    }
    HRESULT GetDescription(QString* description) override
    {
        if (!description)
            return E_POINTER;
        *description = m_profile.description;
        return S_OK;
    }
    HRESULT SetDescription(const QString& description) override
    {
        m_profile.description = description;
        return S_OK;
    }
    HRESULT GetStreamCount(std::uint32_t* count) override
    {
        if (!count)
            return E_POINTER;
        *count = static_cast<std::uint32_t>(m_profile.streams.size());
        return S_OK;
    }
    HRESULT GetStream(std::uint32_t index, ComPtr<IWMStreamConfig>* stream) override
    {
        if (!stream)
            return E_POINTER;
        if (index >= m_profile.streams.size())
            return E_INVALIDARG;
        *stream = ComPtr<IWMStreamConfig>(new WmStreamConfig(m_profile.streams[index]));
        return S_OK;
    }
    HRESULT GetStreamByNumber(std::uint16_t number, ComPtr<IWMStreamConfig>* stream) override
    {
        if (!stream)
            return E_POINTER;
        const auto found = Find(number);
        if (found == m_profile.streams.end())
            return E_INVALIDARG;
        *stream = ComPtr<IWMStreamConfig>(new WmStreamConfig(*found));
        return S_OK;
    }
    HRESULT RemoveStreamByNumber(std::uint16_t number) override
    {
        const auto found = Find(number);
        if (found == m_profile.streams.end())
            return E_INVALIDARG;
        m_profile.streams.erase(found);
        return S_OK;
    }

private:
    std::vector<WmStreamDescription>::iterator Find(std::uint16_t number)
    {
        return std::find_if(m_profile.streams.begin(), m_profile.streams.end(),
                            [number](const WmStreamDescription& s) { return s.number == number; });
    }

    WmProfileDescription m_profile;
};

} // namespace

ComPtr<IWMProfile> MakeWmProfile(WmProfileDescription description)
{
    return ComPtr<IWMProfile>(new WmProfile(std::move(description)));
}

AM_MEDIA_TYPE StreamMediaType(const WmStreamDescription& stream)
{
    AM_MEDIA_TYPE type;
    type.majortype = stream.type;
    if (stream.IsVideo()) {
        type.subtype = WMMEDIASUBTYPE_WMV2;
        type.bTemporalCompression = true;
        VIDEOINFOHEADER info;
        info.rcSource = {0, 0, stream.width, stream.height};
        info.rcTarget = info.rcSource;
        info.dwBitRate = stream.bitrate;
        info.AvgTimePerFrame = stream.frameDuration;
        info.bmiHeader.biWidth = stream.width;
        info.bmiHeader.biHeight = stream.height;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = MakeFourCC('W', 'M', 'V', '2');
        type.SetFormat(FORMAT_VideoInfo, info);
    } else if (stream.IsAudio()) {
        type.subtype = WMMEDIASUBTYPE_WMAudioV8;
        type.bFixedSizeSamples = true;
        WAVEFORMATEX wave;
        wave.wFormatTag = WAVE_FORMAT_WMAUDIO2;
        wave.nChannels = stream.channels;
        wave.nSamplesPerSec = stream.sampleRate;
        wave.nAvgBytesPerSec = stream.bitrate / 8;
        wave.nBlockAlign = 1;
        wave.wBitsPerSample = 16;
        type.SetFormat(FORMAT_WaveFormatEx, wave);
    }
    return type;
}

std::optional<WmProfileDescription> DescribeProfile(IWMProfile* profile)
{
    if (!profile)
        return std::nullopt;
    WmProfileDescription result;
    std::uint32_t count = 0;
    if (Failed(profile->GetVersion(&result.version)) || Failed(profile->GetName(&result.name)) ||
        Failed(profile->GetDescription(&result.description)) || Failed(profile->GetStreamCount(&count)))
        return std::nullopt;
    if (Failed(profile->GetProfileID(&result.id)))
        result.id = GUID_NULL;
    for (std::uint32_t i = 0; i < count; ++i) {
        ComPtr<IWMStreamConfig> config;
        WmStreamDescription stream;
        AM_MEDIA_TYPE type;
        if (Failed(profile->GetStream(i, &config)) || Failed(config->GetStreamType(&stream.type)) ||
            Failed(config->GetStreamNumber(&stream.number)) || Failed(config->GetBitrate(&stream.bitrate)) ||
            Failed(config->GetMediaType(&type)))
            return std::nullopt;
        (void)config->GetStreamName(&stream.name);
        (void)config->GetBufferWindow(&stream.bufferWindowMs);
        if (stream.IsVideo()) {
            const auto* info =
                type.formattype == FORMAT_VideoInfo ? type.FormatAs<VIDEOINFOHEADER>() : nullptr;
            if (!info || info->bmiHeader.biWidth <= 0 || info->bmiHeader.biHeight == 0 ||
                info->AvgTimePerFrame <= 0)
                return std::nullopt;
            stream.width = info->bmiHeader.biWidth;
            stream.height = std::abs(info->bmiHeader.biHeight);
            stream.frameDuration = info->AvgTimePerFrame;
        } else if (stream.IsAudio()) {
            const auto* wave =
                type.formattype == FORMAT_WaveFormatEx ? type.FormatAs<WAVEFORMATEX>() : nullptr;
            if (!wave || wave->nSamplesPerSec == 0 || wave->nChannels == 0)
                return std::nullopt;
            stream.sampleRate = wave->nSamplesPerSec;
            stream.channels = wave->nChannels;
        } else {
            return std::nullopt;
        }
        result.streams.push_back(std::move(stream));
    }
    return result;
}

} // namespace camtrove::media
