#pragma once
// The ACM Wrapper as a PCM converter: sampling rate, channel count and sample size change through
// libswresample. The output format is chosen with IAMStreamConfig::SetFormat on the output pin;
// until then the output takes the input's format or any PCM format downstream proposes. Setting a
// format while the output is connected reconnects it with the new type.

#include "media/base/transform_filter.h"
#include "media/core/device_interfaces.h"

#include <memory>
#include <optional>

struct SwrContext;

namespace camtrove::media {

class AcmWrapper;

class AcmWrapperOutputPin final : public TBCTransformOutputPin, public IAMStreamConfig
{
public:
    AcmWrapperOutputPin(AcmWrapper* filter, HRESULT* result);

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    // IAMStreamConfig
    HRESULT SetFormat(const AM_MEDIA_TYPE& type) override;
    HRESULT GetFormat(AM_MEDIA_TYPE* type) override;
    HRESULT GetNumberOfCapabilities(std::int32_t* count, std::int32_t* capsSize) override;
    HRESULT GetStreamCaps(std::int32_t index, AM_MEDIA_TYPE* type) override;

private:
    AcmWrapper* m_acm;
};

class AcmWrapper final : public TBCTransformFilter
{
public:
    [[nodiscard]] static ComPtr<AcmWrapper> Create();
    ~AcmWrapper() override;

    HRESULT CheckInputType(const AM_MEDIA_TYPE& type) override;
    HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT Transform(IMediaSample* input, IMediaSample* output) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;

private:
    friend class AcmWrapperOutputPin;
    AcmWrapper();
    std::unique_ptr<TBCTransformOutputPin> CreateOutputPin(HRESULT* result) override;

    // The format SetFormat chose, under the filter lock.
    std::optional<AM_MEDIA_TYPE> m_chosenFormat;
    // Streaming: the converter of the connected formats.
    struct SwrDeleter
    {
        void operator()(SwrContext* context) const;
    };
    std::unique_ptr<SwrContext, SwrDeleter> m_resampler;
    int m_inputBlock = 0;
    int m_outputBlock = 0;
};

// A PCM type the converter handles: 8, 16 or 32-bit integer samples, 1 to 8 channels; the block
// size and byte rate are made to agree with them.
[[nodiscard]] std::optional<AM_MEDIA_TYPE> NormalisedPcmType(const AM_MEDIA_TYPE& type);

} // namespace camtrove::media
