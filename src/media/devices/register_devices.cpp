#include "media/core/built_in_filters.h"
#include "media/core/filter_catalogue.h"
#include "media/devices/test_camcorder.h"
#include "media/devices/test_camera.h"
#include "media/devices/test_crossbar.h"
#include "media/devices/test_mpeg_camera.h"
#include "media/devices/test_sound_card.h"

namespace camtrove::media {

void RegisterDevices(FilterCatalogue& catalogue)
{
    // The test devices keep their classes here; the enumerator lists them as devices through
    // TestDeviceSource, each with its device path. Devices are sources: never picked as converters.
    RegisterTestCamcorder(catalogue);
    catalogue.Register({CLSID_TestCamera,
                        "Camtrove Test Camera",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {{MEDIATYPE_AnalogVideo, GUID_NULL}},
                        {{MEDIATYPE_Video, MEDIASUBTYPE_RGB24}, {MEDIATYPE_Video, MEDIASUBTYPE_YUY2}},
                        [] { return ComPtr<IBaseFilter>(TestCamera::Create()); }});
    catalogue.Register({CLSID_TestCameraCrossbar,
                        "Camtrove Test Camera Crossbar",
                        MERIT_DO_NOT_USE,
                        AM_KSCATEGORY_CROSSBAR,
                        {},
                        {{MEDIATYPE_AnalogVideo, GUID_NULL}},
                        [] { return ComPtr<IBaseFilter>(TestCrossbar::Create()); }});
    catalogue.Register({CLSID_TestSoundCard,
                        "Camtrove Test Sound Card",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {},
                        {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}},
                        [] { return ComPtr<IBaseFilter>(TestSoundCard::Create()); }});
    // Listed only where test devices are asked for: the built-in device lists stay as they are.
    catalogue.Register(
        {CLSID_TestMpegCamera,
         "Camtrove Test MPEG Camera",
         MERIT_DO_NOT_USE,
         GUID_NULL,
         {},
         {{MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO}, {MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Payload}},
         [] { return ComPtr<IBaseFilter>(TestMpegCamera::Create()); }});
}

} // namespace camtrove::media
