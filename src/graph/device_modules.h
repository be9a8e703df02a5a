#pragma once
// The filter components of each kind of device. The modules' private graphs are made for a probe
// and dropped after it (Tdm::CreatePrivateGraph).

#include "filters/ct_scene_detect.h"
#include "graph/filter_component.h"

namespace camtrove::graph {

struct TdmDV
{
    TFilterComponent dv_source{"dv_source"};
    TFilterComponent dv_splitter{"dv_splitter"};
    TFilterComponent dv_dec{"dv_dec"};
    TFilterComponent dv_muxinfinite{"dv_muxinfinite"};
    TFilterComponent dv_nativevideoinfinite{"dv_nativevideoinfinite"};
    TFilterComponent dv_nativeaudioinfinite{"dv_nativeaudioinfinite"};
    // One per device, made with the module and kept for its life: the sources and the inlay read
    // its ring.
    media::ComPtr<filters::Tct_SceneDetect> SceneDetect{new filters::Tct_SceneDetect()};
};

struct TdmVideo
{
    TFilterComponent vid_source{"vid_source"};
    TFilterComponent vid_sg{"vid_sg"};
    TFilterComponent vid_nativevideoinfinite{"vid_nativevideoinfinite"};
    TFilterComponent vid_nativeaudioinfinite{"vid_nativeaudioinfinite"};
    TFilterComponent vid_crossbar{"vid_crossbar"};
    TFilterComponent vid_decoder{"vid_decoder"};
};

struct TdmAudio
{
    TFilterComponent aud_source{"aud_source"};
    TFilterComponent aud_nativeaudioinfinite{"aud_nativeaudioinfinite"};
};

} // namespace camtrove::graph
