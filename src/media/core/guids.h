#pragma once
// Published identifiers of the media framework: media types, format types, pin categories,
// device categories, stock filter classes and interfaces. Values are the framework's own.

#include "media/core/guid.h"

namespace camtrove::media {

// Major types
inline constexpr GUID MEDIATYPE_Video = MakeGuid("73646976-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIATYPE_Audio = MakeGuid("73647561-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIATYPE_Interleaved = MakeGuid("73766169-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIATYPE_Text = MakeGuid("73747874-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIATYPE_Stream = MakeGuid("E436EB83-524F-11CE-9F53-0020AF0BA770");

// Subtypes
inline constexpr GUID MEDIASUBTYPE_RGB8 = MakeGuid("E436EB7A-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_RGB565 = MakeGuid("E436EB7B-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_RGB555 = MakeGuid("E436EB7C-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_RGB24 = MakeGuid("E436EB7D-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_RGB32 = MakeGuid("E436EB7E-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_YUY2 = FourCCGuid(MakeFourCC('Y', 'U', 'Y', '2'));
inline constexpr GUID MEDIASUBTYPE_UYVY = FourCCGuid(MakeFourCC('U', 'Y', 'V', 'Y'));
inline constexpr GUID MEDIASUBTYPE_I420 = FourCCGuid(MakeFourCC('I', '4', '2', '0'));
inline constexpr GUID MEDIASUBTYPE_IYUV = FourCCGuid(MakeFourCC('I', 'Y', 'U', 'V'));
inline constexpr GUID MEDIASUBTYPE_YV12 = FourCCGuid(MakeFourCC('Y', 'V', '1', '2'));
inline constexpr GUID MEDIASUBTYPE_dvsd = FourCCGuid(MakeFourCC('d', 'v', 's', 'd'));
inline constexpr GUID MEDIASUBTYPE_dvsl = FourCCGuid(MakeFourCC('d', 'v', 's', 'l'));
inline constexpr GUID MEDIASUBTYPE_dvhd = FourCCGuid(MakeFourCC('d', 'v', 'h', 'd'));
inline constexpr GUID MEDIASUBTYPE_PCM = MakeGuid("00000001-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIASUBTYPE_MPEG1Packet = MakeGuid("E436EB80-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_MPEG1Payload = MakeGuid("E436EB81-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_MPEG1AudioPayload = MakeGuid("00000050-0000-0010-8000-00AA00389B71");
inline constexpr GUID MEDIASUBTYPE_MPEG1System = MakeGuid("E436EB84-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_MPEG1VideoCD = MakeGuid("E436EB85-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_MPEG1Video = MakeGuid("E436EB86-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_MPEG1Audio = MakeGuid("E436EB87-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_Avi = MakeGuid("E436EB88-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_WAVE = MakeGuid("E436EB8B-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID MEDIASUBTYPE_Asf = MakeGuid("3DB80F90-9412-11D1-ADED-0000F8754B99");
inline constexpr GUID MEDIASUBTYPE_MPEG2_VIDEO = MakeGuid("E06D8026-DB46-11CF-B4D1-00805F6CBBEA");
inline constexpr GUID MEDIASUBTYPE_MPEG2_PROGRAM = MakeGuid("E06D8022-DB46-11CF-B4D1-00805F6CBBEA");
inline constexpr GUID MEDIASUBTYPE_MJPG = FourCCGuid(MakeFourCC('M', 'J', 'P', 'G'));
inline constexpr GUID MEDIASUBTYPE_MP3 = MakeGuid("00000055-0000-0010-8000-00AA00389B71");

// Format types
inline constexpr GUID FORMAT_None = MakeGuid("0F6417D6-C318-11D0-A43F-00A0C9223196");
inline constexpr GUID FORMAT_VideoInfo = MakeGuid("05589F80-C356-11CE-BF01-00AA0055595A");
inline constexpr GUID FORMAT_WaveFormatEx = MakeGuid("05589F81-C356-11CE-BF01-00AA0055595A");
inline constexpr GUID FORMAT_MPEGVideo = MakeGuid("05589F82-C356-11CE-BF01-00AA0055595A");
inline constexpr GUID FORMAT_MPEGStreams = MakeGuid("05589F83-C356-11CE-BF01-00AA0055595A");
inline constexpr GUID FORMAT_DvInfo = MakeGuid("05589F84-C356-11CE-BF01-00AA0055595A");
inline constexpr GUID FORMAT_VideoInfo2 = MakeGuid("F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA");
inline constexpr GUID FORMAT_MPEG2Video = MakeGuid("E06D80E3-DB46-11CF-B4D1-00805F6CBBEA");

// Pin categories and the lookup directions of the capture builder
inline constexpr GUID PIN_CATEGORY_CAPTURE = MakeGuid("FB6C4281-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_PREVIEW = MakeGuid("FB6C4282-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_ANALOGVIDEOIN = MakeGuid("FB6C4283-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID PIN_CATEGORY_VBI = MakeGuid("FB6C4284-0353-11D1-905F-0000C0CC16BA");
inline constexpr GUID LOOK_UPSTREAM_ONLY = MakeGuid("AC798BE0-98E3-11D1-B3F1-00AA003761C5");
inline constexpr GUID LOOK_DOWNSTREAM_ONLY = MakeGuid("AC798BE1-98E3-11D1-B3F1-00AA003761C5");
inline constexpr GUID AMPROPSETID_Pin = MakeGuid("9B00F101-1567-11D1-B3F1-00AA003761C5");

// Device categories
inline constexpr GUID CLSID_VideoInputDeviceCategory = MakeGuid("860BB310-5D01-11D0-BD3B-00A0C911CE86");
inline constexpr GUID CLSID_AudioInputDeviceCategory = MakeGuid("33D9A762-90C8-11D0-BD43-00A0C911CE86");
inline constexpr GUID CLSID_VideoCompressorCategory = MakeGuid("33D9A760-90C8-11D0-BD43-00A0C911CE86");
inline constexpr GUID CLSID_AudioCompressorCategory = MakeGuid("33D9A761-90C8-11D0-BD43-00A0C911CE86");
inline constexpr GUID AM_KSCATEGORY_CROSSBAR = MakeGuid("A799A801-A46D-11D0-A18C-00A02401DCD4");
inline constexpr GUID CLSID_LegacyAmFilterCategory = MakeGuid("083863F1-70DE-11D0-BD40-00A0C911CE86");

// Framework objects and stock filters
inline constexpr GUID CLSID_FilterGraph = MakeGuid("E436EBB3-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID CLSID_CaptureGraphBuilder2 = MakeGuid("BF87B6E1-8C27-11D0-B3F0-00AA003761C5");
inline constexpr GUID CLSID_SystemDeviceEnum = MakeGuid("62BE5D10-60EB-11D0-BD3B-00A0C911CE86");
inline constexpr GUID CLSID_FilterMapper2 = MakeGuid("CDA42200-BD88-11D0-BD4E-00A0C911CE86");
inline constexpr GUID CLSID_SystemClock = MakeGuid("E436EBB1-524F-11CE-9F53-0020AF0BA770");
inline constexpr GUID CLSID_InfTee = MakeGuid("F8388A40-D5BB-11D0-BE5A-0080C706568E");
inline constexpr GUID CLSID_SmartTee = MakeGuid("CC58E280-8AA1-11D1-B3F1-00AA003761C5");
inline constexpr GUID CLSID_Colour = MakeGuid("1643E180-90F5-11CE-97D5-00AA0055595A");
inline constexpr GUID CLSID_AVIDec = MakeGuid("CF49D4E0-1115-11CE-B03A-0020AF0BA770");
inline constexpr GUID CLSID_SampleGrabber = MakeGuid("C1F400A0-3F08-11D3-9F0B-006008039E37");
inline constexpr GUID CLSID_NullRenderer = MakeGuid("C1F400A4-3F08-11D3-9F0B-006008039E37");
inline constexpr GUID CLSID_DVSplitter = MakeGuid("4EB31670-9FC6-11CF-AF6E-00AA00B67A42");
inline constexpr GUID CLSID_DVMux = MakeGuid("129D7E40-C10D-11D0-AFB9-00AA00B67A42");
inline constexpr GUID CLSID_DVVideoCodec = MakeGuid("B1B77C00-C3E4-11CF-AF79-00AA00B67A42");
inline constexpr GUID CLSID_DVVideoEnc = MakeGuid("13AA3650-BB6F-11D0-AFB9-00AA00B67A42");
inline constexpr GUID CLSID_ACMWrapper = MakeGuid("6A08CF80-0E18-11CF-A24D-0020AFD79767");
inline constexpr GUID CLSID_FileWriter = MakeGuid("8596E5F0-0DA5-11D0-BD21-00A0C911CE86");
inline constexpr GUID CLSID_AviDest = MakeGuid("E2510970-F137-11CE-8B67-00AA00A3F1A6");
inline constexpr GUID CLSID_WMAsfWriter = MakeGuid("7C23220E-55BB-11D3-8B16-00C04FB6BD3D");
inline constexpr GUID CLSID_DSoundRender = MakeGuid("79376820-07D0-11CF-A24D-0020AFD79767");
inline constexpr GUID CLSID_VideoRenderer = MakeGuid("70E102B0-5556-11CE-97C0-00AA0055595A");
inline constexpr GUID CLSID_MjpegDec = MakeGuid("301056D0-6DFF-11D2-9EEB-006008039E37");
inline constexpr GUID CLSID_LameMp3Encoder = MakeGuid("B8D27088-FF5F-4B7C-98DC-0E91A1696286");
inline constexpr GUID CLSID_Mpeg1AudioEncoder = MakeGuid("6A1C7E57-0C4A-4D00-8E1C-4D5045470001");
inline constexpr GUID CLSID_MpegPsMux = MakeGuid("6A1C7E57-0C4A-4D00-8E1C-4D5045470002");

// Interfaces
inline constexpr GUID IID_IUnknown = MakeGuid("00000000-0000-0000-C000-000000000046");
inline constexpr GUID IID_IStream = MakeGuid("0000000C-0000-0000-C000-000000000046");
inline constexpr GUID IID_IPersist = MakeGuid("0000010C-0000-0000-C000-000000000046");
inline constexpr GUID IID_IMoniker = MakeGuid("0000000F-0000-0000-C000-000000000046");
inline constexpr GUID IID_IPropertyBag = MakeGuid("55272A00-42CB-11CE-8135-00AA004BB851");
inline constexpr GUID IID_IPin = MakeGuid("56A86891-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IEnumPins = MakeGuid("56A86892-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IEnumFilters = MakeGuid("56A86893-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IBaseFilter = MakeGuid("56A86895-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IReferenceClock = MakeGuid("56A86897-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IMediaFilter = MakeGuid("56A86899-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IMediaSample = MakeGuid("56A8689A-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IMemAllocator = MakeGuid("56A8689C-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IMemInputPin = MakeGuid("56A8689D-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IFilterGraph = MakeGuid("56A8689F-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IQualityControl = MakeGuid("56A868A5-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IGraphBuilder = MakeGuid("56A868A9-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IMediaControl = MakeGuid("56A868B1-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IBasicAudio = MakeGuid("56A868B3-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IVideoWindow = MakeGuid("56A868B4-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IMediaEvent = MakeGuid("56A868B6-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IMediaEventEx = MakeGuid("56A868C0-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IMediaEventSink = MakeGuid("56A868A2-0AD4-11CE-B03A-0020AF0BA770");
inline constexpr GUID IID_IEnumMediaTypes = MakeGuid("89C31040-846B-11CE-97D3-00AA0055595A");
inline constexpr GUID IID_IFilterChain = MakeGuid("DCFBDCF6-0DC2-45F5-9AB2-7C330EA09C29");
inline constexpr GUID IID_ICaptureGraphBuilder2 = MakeGuid("93E5A4E0-2D50-11D2-ABFA-00A0C9C6E38D");
inline constexpr GUID IID_IFilterMapper2 = MakeGuid("B79BB0B0-33C1-11D1-ABE1-00A0C9055A24");
inline constexpr GUID IID_ICreateDevEnum = MakeGuid("29840822-5B84-11D0-BD3B-00A0C911CE86");
inline constexpr GUID IID_IAMStreamConfig = MakeGuid("C6E13340-30AC-11D0-A18C-00A0C9118956");
inline constexpr GUID IID_IAMVideoCompression = MakeGuid("C6E13343-30AC-11D0-A18C-00A0C9118956");
inline constexpr GUID IID_IAMDroppedFrames = MakeGuid("C6E13344-30AC-11D0-A18C-00A0C9118956");
inline constexpr GUID IID_IAMVideoProcAmp = MakeGuid("C6E13360-30AC-11D0-A18C-00A0C9118956");
inline constexpr GUID IID_IAMCameraControl = MakeGuid("C6E13370-30AC-11D0-A18C-00A0C9118956");
inline constexpr GUID IID_IAMCrossbar = MakeGuid("C6E13380-30AC-11D0-A18C-00A0C9118956");
inline constexpr GUID IID_IAMTVTuner = MakeGuid("211A8766-03AC-11D1-8D13-00AA00BD8339");
inline constexpr GUID IID_IAMTVAudio = MakeGuid("83EC1C30-23D1-11D1-99E6-00A0C9560266");
inline constexpr GUID IID_IAMVfwCaptureDialogs = MakeGuid("D8D715A0-6E5E-11D0-B3F0-00AA003761C5");
inline constexpr GUID IID_IAMExtDevice = MakeGuid("B5730A90-1A2C-11CF-8C23-00AA006B6814");
inline constexpr GUID IID_IAMExtTransport = MakeGuid("A03CD5F0-3045-11CF-8C44-00AA006B6814");
inline constexpr GUID IID_IAMTimecodeReader = MakeGuid("9B496CE1-811B-11CF-8C77-00AA006B6814");
inline constexpr GUID IID_IKsPropertySet = MakeGuid("31EFAC30-515C-11D0-A9AA-00AA0061BE93");
inline constexpr GUID IID_IFileSinkFilter = MakeGuid("A2104830-7C70-11CF-8BCE-00AA00A3F1A6");
inline constexpr GUID IID_IConfigInterleaving = MakeGuid("BEE3D220-157B-11D0-BD23-00A0C911CE86");
inline constexpr GUID IID_IConfigAsfWriter = MakeGuid("45086030-F7E4-486A-B504-826BB5792A3B");
inline constexpr GUID IID_ISpecifyPropertyPages = MakeGuid("B196B28B-BAB4-101A-B69C-00AA00341D07");
inline constexpr GUID IID_ISampleGrabber = MakeGuid("6B652FFF-11FE-4FCE-92AD-0266B5D7C78F");

} // namespace camtrove::media
