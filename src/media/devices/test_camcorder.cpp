#include "media/devices/test_camcorder.h"

#include "common/datetime.h"
#include "media/core/filter_catalogue.h"
#include "media/core/guids.h"
#include "media/core/media_results.h"
#include "platform/registry.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace camtrove::media {
namespace {

constexpr std::size_t kSequence = 12000;
constexpr std::size_t kBlock = 80;
constexpr REFERENCE_TIME kPalPeriod = 400000;
constexpr REFERENCE_TIME kNtscPeriod = 333667;
// How long a paused or stopped deck sleeps between looks at its state.
constexpr auto kIdleWait = std::chrono::milliseconds(5);

[[nodiscard]] std::uint8_t Bcd(int value)
{
    return static_cast<std::uint8_t>((value / 10) << 4 | value % 10);
}

// The four payload bytes of the first pack of this type in the given blocks of sequence, as one
// little-endian value; 0xFFFFFFFF when absent.
[[nodiscard]] std::uint32_t PackPayload(const std::vector<std::uint8_t>& frame, std::size_t sequence,
                                        std::uint8_t packType, bool audio)
{
    const std::uint8_t* base = frame.data() + sequence * kSequence;
    if (frame.size() < (sequence + 1) * kSequence)
        return 0xFFFFFFFFu;
    const auto payload = [](const std::uint8_t* pack) {
        return std::uint32_t{pack[1]} | std::uint32_t{pack[2]} << 8 | std::uint32_t{pack[3]} << 16 |
               std::uint32_t{pack[4]} << 24;
    };
    if (audio) {
        for (std::size_t a = 0; a < 9; ++a) {
            const std::uint8_t* pack = base + (6 + a * 16) * kBlock + 3;
            if (pack[0] == packType)
                return payload(pack);
        }
    } else {
        for (std::size_t block = 3; block <= 5; ++block)
            for (std::size_t p = 0; p < 15; ++p) {
                const std::uint8_t* pack = base + block * kBlock + 3 + p * 5;
                if (pack[0] == packType)
                    return payload(pack);
            }
    }
    return 0xFFFFFFFFu;
}

} // namespace

std::uint32_t TimecodeToBcd(const TapeTimecode& timecode)
{
    return std::uint32_t{Bcd(timecode.hours)} << 24 | std::uint32_t{Bcd(timecode.minutes)} << 16 |
           std::uint32_t{Bcd(timecode.seconds)} << 8 | Bcd(timecode.frames);
}

AM_MEDIA_TYPE InterleavedDvType(const std::vector<std::uint8_t>& frame, TapeSystem system)
{
    const std::size_t secondHalf = system == TapeSystem::Pal ? 6 : 5;
    DVINFO info;
    info.dwDVAAuxSrc = PackPayload(frame, 0, 0x50, true);
    info.dwDVAAuxCtl = PackPayload(frame, 0, 0x51, true);
    info.dwDVAAuxSrc1 = PackPayload(frame, secondHalf, 0x50, true);
    info.dwDVAAuxCtl1 = PackPayload(frame, secondHalf, 0x51, true);
    info.dwDVVAuxSrc = PackPayload(frame, 0, 0x60, false);
    info.dwDVVAuxCtl = PackPayload(frame, 0, 0x61, false);

    AM_MEDIA_TYPE type;
    type.majortype = MEDIATYPE_Interleaved;
    type.subtype = MEDIASUBTYPE_dvsd;
    type.bFixedSizeSamples = true;
    type.bTemporalCompression = false;
    type.lSampleSize = static_cast<std::uint32_t>(TapeFrameSize(system));
    type.SetFormat(FORMAT_DvInfo, info);
    return type;
}

// --- the pin ---------------------------------------------------------------------------------

TestCamcorderPin::TestCamcorderPin(TestCamcorder* filter, TBCCritSec* lock)
    : LiveSourcePin(QStringLiteral("Test camcorder output"), filter, lock, QStringLiteral("DV A/V Out"),
                    PIN_CATEGORY_CAPTURE),
      m_camcorder(filter)
{
}

HRESULT TestCamcorderPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return type == m_camcorder->m_type ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TestCamcorderPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = m_camcorder->m_type;
    return S_OK;
}

HRESULT TestCamcorderPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    const auto frameSize = static_cast<std::int32_t>(TapeFrameSize(m_camcorder->m_system));
    request->cBuffers = std::max(request->cBuffers, 4);
    request->cbBuffer = std::max(request->cbBuffer, frameSize);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= frameSize ? S_OK : E_FAIL;
}

void TestCamcorderPin::OnThreadStart()
{
    m_unclockedPeriods = 0;
    m_discontinuity = true;
    m_tapeEnded = false;
    // The counts are of this run, and stay readable after it stops.
    m_camcorder->m_dropped.store(0);
    m_camcorder->m_delivered.store(0);
}

bool TestCamcorderPin::NextPeriod(REFERENCE_TIME* start)
{
    const REFERENCE_TIME period = m_camcorder->m_framePeriod;
    if (m_camcorder->m_settings.clocked) {
        std::int64_t skipped = 0;
        if (!WaitForNextPeriod(period, start, &skipped))
            return false;
        if (skipped > 0) {
            m_camcorder->m_dropped.fetch_add(static_cast<std::int32_t>(skipped));
            m_discontinuity = true;
        }
        return true;
    }
    while (m_camcorder->State() != State_Running)
        if (!WaitFor(kIdleWait))
            return false;
    *start = m_unclockedPeriods++ * period;
    return !StopRequested();
}

HRESULT TestCamcorderPin::FillBuffer(IMediaSample* sample)
{
    TestCamcorder& camcorder = *m_camcorder;
    for (;;) {
        REFERENCE_TIME start = 0;
        if (!NextPeriod(&start))
            return S_FALSE;
        std::optional<QString> error;
        if (camcorder.m_settings.camera) {
            const auto frame = static_cast<int>(start / camcorder.m_framePeriod % (24 * 3600 * 25));
            error = camcorder.m_liveCamera.RenderLiveFrame(frame, Now(), camcorder.m_frame);
        } else {
            if (m_tapeEnded && !camcorder.m_settings.clocked)
                return S_FALSE; // a batch run of the tape ends with it
            const TransportStep step = camcorder.m_transport.Tick();
            m_tapeEnded = m_tapeEnded || step.endOfTape;
            if (!step.frame) {
                m_discontinuity = true;
                if (!camcorder.m_settings.clocked && !m_tapeEnded && !WaitFor(kIdleWait))
                    return S_FALSE;
                continue;
            }
            error = camcorder.m_tape->ReadFrame(*step.frame, camcorder.m_frame);
        }
        if (error)
            return E_FAIL;

        const std::vector<std::uint8_t>& frame = camcorder.m_frame;
        std::uint8_t* buffer = nullptr;
        if (Failed(sample->GetPointer(&buffer)) ||
            sample->GetSize() < static_cast<std::int32_t>(frame.size()))
            return E_FAIL;
        std::memcpy(buffer, frame.data(), frame.size());
        (void)sample->SetActualDataLength(static_cast<std::int32_t>(frame.size()));
        const REFERENCE_TIME stop = start + camcorder.m_framePeriod;
        (void)sample->SetTime(&start, &stop);
        (void)sample->SetSyncPoint(true);
        (void)sample->SetDiscontinuity(m_discontinuity);
        m_discontinuity = false;
        camcorder.m_delivered.fetch_add(1);
        return S_OK;
    }
}

// --- the filter ------------------------------------------------------------------------------

ComPtr<TestCamcorder> TestCamcorder::Create(const TestCamcorderSettings& settings)
{
    QString error;
    std::unique_ptr<DvTape> tape;
    if (!settings.tapeFile.isEmpty())
        tape = DvFileTape::Open(settings.tapeFile, &error);
    if (!tape)
        tape = std::make_unique<SyntheticDvTape>(settings.syntheticSystem, settings.syntheticFrames);
    return ComPtr<TestCamcorder>(new TestCamcorder(settings, std::move(tape), error));
}

ComPtr<TestCamcorder> TestCamcorder::CreateFromStore()
{
    platform::Registry registry;
    return Create(LoadTestCamcorderSettings(registry));
}

TestCamcorder::TestCamcorder(const TestCamcorderSettings& settings, std::unique_ptr<DvTape> tape,
                             QString tapeError)
    : TBCBaseFilter(QString::fromLatin1(kTestCamcorderName), &m_lock, CLSID_TestCamcorder),
      m_settings(settings), m_tape(std::move(tape)), m_tapeError(std::move(tapeError)),
      m_system(settings.camera ? settings.syntheticSystem : m_tape->System()),
      m_framePeriod(m_system == TapeSystem::Pal ? kPalPeriod : kNtscPeriod),
      m_transport(settings.camera ? 0 : m_tape->FrameCount()), m_liveCamera(m_system)
{
    // The type announces the packs of the first frame the device will give.
    if (m_settings.camera || m_tape->ReadFrame(0, m_frame))
        (void)m_liveCamera.RenderLiveFrame(0, Now(), m_frame);
    m_type = InterleavedDvType(m_frame, m_system);
    m_pin = std::make_unique<TestCamcorderPin>(this, &m_lock);
}

HRESULT TestCamcorder::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IAMExtDevice)
        return GetInterface(static_cast<IAMExtDevice*>(this), object);
    if (iid == IID_IAMExtTransport)
        return GetInterface(static_cast<IAMExtTransport*>(this), object);
    if (iid == IID_IAMTimecodeReader)
        return GetInterface(static_cast<IAMTimecodeReader*>(this), object);
    if (iid == IID_IAMDroppedFrames)
        return GetInterface(static_cast<IAMDroppedFrames*>(this), object);
    return TBCBaseFilter::NonDelegatingQueryInterface(iid, object);
}

TBCBasePin* TestCamcorder::GetPin(int index)
{
    return index == 0 ? m_pin.get() : nullptr;
}

HRESULT TestCamcorder::GetCapability(std::int32_t capability, std::int32_t* value, double* doubleValue)
{
    if (doubleValue)
        *doubleValue = 0;
    if (capability != ED_DEVCAP_DEVICE_TYPE)
        return E_NOTIMPL;
    if (!value)
        return E_POINTER;
    *value = m_settings.camera ? ED_DEVTYPE_CAMERA : ED_DEVTYPE_VCR;
    return S_OK;
}

HRESULT TestCamcorder::put_Mode(std::int32_t mode)
{
    if (m_settings.camera)
        return S_OK; // a camera has no tape to move
    return m_transport.SetMode(mode) ? S_OK : E_INVALIDARG;
}

HRESULT TestCamcorder::get_Mode(std::int32_t* mode)
{
    if (!mode)
        return E_POINTER;
    *mode = m_transport.Mode();
    return S_OK;
}

HRESULT TestCamcorder::GetStatus(std::int32_t, std::int32_t*)
{
    return E_NOTIMPL;
}

HRESULT TestCamcorder::GetTimecode(TIMECODE_SAMPLE* timecode)
{
    if (!timecode)
        return E_POINTER;
    if (m_settings.camera)
        return E_FAIL; // no tape, no timecode
    const std::optional<TapeTimecode> read = m_tape->TimecodeAt(m_transport.Position());
    if (!read)
        return E_FAIL;
    timecode->dwFrames = TimecodeToBcd(*read);
    timecode->wFrameRate = 0;
    timecode->wFrameFract = 0;
    timecode->dwUser = 0;
    return S_OK;
}

HRESULT TestCamcorder::GetNumDropped(std::int32_t* dropped)
{
    if (!dropped)
        return E_POINTER;
    *dropped = m_dropped.load();
    return S_OK;
}

HRESULT TestCamcorder::GetNumNotDropped(std::int32_t* notDropped)
{
    if (!notDropped)
        return E_POINTER;
    *notDropped = m_delivered.load();
    return S_OK;
}

HRESULT TestCamcorder::GetAverageFrameSize(std::int32_t* averageSize)
{
    if (!averageSize)
        return E_POINTER;
    *averageSize = static_cast<std::int32_t>(TapeFrameSize(m_system));
    return S_OK;
}

void RegisterTestCamcorder(FilterCatalogue& catalogue)
{
    catalogue.Register({CLSID_TestCamcorder,
                        QString::fromLatin1(kTestCamcorderName),
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {},
                        {{MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd}},
                        [] { return ComPtr<IBaseFilter>(TestCamcorder::CreateFromStore()); }});
}

} // namespace camtrove::media
