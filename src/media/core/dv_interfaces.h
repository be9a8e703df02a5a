#pragma once
// The two interfaces of the DV codec filters: IIPDVDec sets the picture size the DV Video Decoder
// gives, IDVEnc the line system the DV Video Encoder writes (DVINFO is in format_blocks.h).

#include "media/core/filter_interfaces.h"

#include <cstdint>

namespace camtrove::media {

inline constexpr GUID IID_IIPDVDec = MakeGuid("B8E8BD60-0BFE-11D0-AF91-00AA00B67A42");
inline constexpr GUID IID_IDVEnc = MakeGuid("D18E17A0-AACB-11D0-AFB0-00AA00B67A42");

// Display resolutions of IIPDVDec
inline constexpr int DVRESOLUTION_FULL = 1000;
inline constexpr int DVRESOLUTION_HALF = 1001;
inline constexpr int DVRESOLUTION_QUARTER = 1002;
inline constexpr int DVRESOLUTION_DC = 1003;

class IIPDVDec : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IIPDVDec;
    [[nodiscard]] virtual HRESULT get_IPDisplay(int* displayPix) = 0;
    // Takes effect at the next connection of the output pin.
    [[nodiscard]] virtual HRESULT put_IPDisplay(int displayPix) = 0;
};

// Arguments of IDVEnc
inline constexpr int DVENCODERVIDEOFORMAT_NTSC = 2000;
inline constexpr int DVENCODERVIDEOFORMAT_PAL = 2001;
inline constexpr int DVENCODERFORMAT_DVSD = 2007;
inline constexpr int DVENCODERFORMAT_DVHD = 2008;
inline constexpr int DVENCODERFORMAT_DVSL = 2009;
inline constexpr int DVENCODERRESOLUTION_720x480 = 2012;
inline constexpr int DVENCODERRESOLUTION_360x240 = 2013;
inline constexpr int DVENCODERRESOLUTION_180x120 = 2014;
inline constexpr int DVENCODERRESOLUTION_88x60 = 2015;

class IDVEnc : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IDVEnc;
    [[nodiscard]] virtual HRESULT get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution,
                                                        bool wantDvInfo, DVINFO* dvInfo) = 0;
    // Refused with VFW_E_NOT_STOPPED while the filter streams.
    [[nodiscard]] virtual HRESULT put_IFormatResolution(int videoFormat, int dvFormat, int resolution,
                                                        bool setDvInfo, const DVINFO* dvInfo) = 0;
};

} // namespace camtrove::media
