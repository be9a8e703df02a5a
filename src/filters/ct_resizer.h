#pragma once
// TCT_Resizer: scales 24-bit RGB frames before the DivX and Xvid compressors, to the aspect ratio
// chosen by "Ratio DivX" in square pixels and, with "Demi Taille", to at most 288 lines. The output
// size is fixed when the input connects; frames already of that size are copied unchanged.
//
// Graph construction sets the mode, "Demi Taille" and the source aspect before it connects the
// filter; Transform runs on the streaming thread.

#include "media/base/transform_filter.h"

#include <atomic>
#include <cstdint>
#include <memory>

struct SwsContext;

namespace camtrove::filters {

inline constexpr media::GUID CLSID_ct_Resizer = media::MakeGuid("B543CC45-1D4D-4233-A58D-7A41248794FB");

enum TResizeMode : int
{
    rmNormal = 0, // the source's own aspect ratio, when it has one
    rm4x3 = 1,
    rm16x9 = 2,
    rmNative = 3, // the source's size, halved with "Demi Taille"
};

struct TResizeSize
{
    int Width = 0;
    int Height = 0;
    bool operator==(const TResizeSize&) const = default;
};

// The output size for an input of width x height; aspectX:aspectY is the source's aspect ratio,
// 0:0 when it has none. Divisions truncate toward zero.
[[nodiscard]] TResizeSize ResizeOutputSize(int mode, bool demiTaille, int width, int height, int aspectX,
                                           int aspectY);

class TCT_Resizer final : public media::TBCTransformFilter
{
public:
    TCT_Resizer();
    ~TCT_Resizer() override;

    HRESULT Transform(media::IMediaSample* input, media::IMediaSample* output) override;
    HRESULT CheckInputType(const media::AM_MEDIA_TYPE& type) override;
    HRESULT CheckTransform(const media::AM_MEDIA_TYPE& input, const media::AM_MEDIA_TYPE& output) override;
    HRESULT DecideBufferSize(media::IMemAllocator* allocator, media::ALLOCATOR_PROPERTIES* request) override;
    HRESULT GetMediaType(int position, media::AM_MEDIA_TYPE* type) override;
    HRESULT SetMediaType(media::PIN_DIRECTION direction, const media::AM_MEDIA_TYPE& type) override;

    void SetResizeMode(int mode)
    {
        m_mode.store(mode);
        m_enabled.store(true);
    }
    // "Demi Taille" and the source's aspect ratio, read when the input connects.
    void SetDemiTaille(bool demiTaille) { m_demiTaille.store(demiTaille); }
    void SetSourceAspect(int x, int y)
    {
        m_aspectX.store(x);
        m_aspectY.store(y);
    }

    [[nodiscard]] TResizeSize OutputSize() const { return {m_outW, m_outH}; }
    [[nodiscard]] bool NeedResize() const { return m_needResize; }

private:
    std::atomic<bool> m_enabled{false};
    std::atomic<int> m_mode{rmNormal};
    std::atomic<bool> m_demiTaille{false};
    std::atomic<int> m_aspectX{0};
    std::atomic<int> m_aspectY{0};
    int m_outW = 320;
    int m_outH = 240;
    bool m_needResize = true;
    media::VIDEOINFOHEADER m_inFormat;
    media::VIDEOINFOHEADER m_outFormat;

    struct ScalerFree
    {
        void operator()(SwsContext* context) const;
    };
    std::unique_ptr<SwsContext, ScalerFree> m_scaler; // streaming thread; kept while the sizes stay
};

} // namespace camtrove::filters
