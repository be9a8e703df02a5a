#include "media/codecs/asf_writer.h"

#include "media/codecs/wm_profile_catalogue.h"
#include "media/core/graph_interfaces.h"

#include <algorithm>

namespace camtrove::media {

namespace {

// Results that mean the graph is stopping under a sample, not that the file failed.
bool IsStopping(HRESULT hr)
{
    return hr == VFW_E_WRONG_STATE || hr == VFW_E_NOT_COMMITTED;
}

QString PinName(const GUID& type, int number)
{
    return (type == WMMEDIATYPE_Video ? QStringLiteral("Video Input %1") : QStringLiteral("Audio Input %1"))
        .arg(number, 2, 10, QLatin1Char('0'));
}

} // namespace

// ---- AsfWriterInputPin ----

AsfWriterInputPin::AsfWriterInputPin(AsfWriter* filter, TBCCritSec* lock, HRESULT* result, QString name,
                                     GUID streamType)
    : TBCBaseInputPin(QStringLiteral("ASF writer input pin"), filter, lock, result, std::move(name)),
      m_writer(filter), m_streamType(streamType)
{
}

HRESULT AsfWriterInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    if (m_streamType == WMMEDIATYPE_Video)
        return AcceptsAsfVideoInput(type) ? S_OK : S_FALSE;
    return AcceptsAsfAudioInput(type) ? S_OK : S_FALSE;
}

// The stream's own picture size and rate first, so a converter upstream has nothing to guess.
HRESULT AsfWriterInputPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (m_streamType == WMMEDIATYPE_Video) {
        if (position > 1)
            return VFW_S_NO_MORE_ITEMS;
        *type = MakeVideoType(position == 0 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_YUY2, m_stream.width,
                              m_stream.height, m_stream.frameDuration);
        return S_OK;
    }
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = MakePcmAudioType(m_stream.sampleRate, 16, m_stream.channels);
    return S_OK;
}

HRESULT AsfWriterInputPin::Receive(IMediaSample* sample)
{
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_writer->WriteSample(this, sample);
}

HRESULT AsfWriterInputPin::EndOfStream()
{
    if (IsPinActive() && !IsFlushing())
        m_writer->EndStream(this);
    return S_OK;
}

// ---- AsfWriter ----

AsfWriter::AsfWriter(std::unique_ptr<SinkFile> file)
    : TBCBaseFilter(QStringLiteral("WM ASF Writer"), &m_lock, CLSID_WMAsfWriter), m_sinkFile(std::move(file)),
      m_file(*m_sinkFile)
{
    // A writer nobody configures records as the medium of the default profiles.
    (void)ApplyProfile(*FindSystemProfile(WMProfile_V80_700PALVideo));
}

AsfWriter::~AsfWriter()
{
    if (IsActive())
        (void)Stop();
}

ComPtr<AsfWriter> AsfWriter::Create(std::unique_ptr<SinkFile> file)
{
    return ComPtr<AsfWriter>(new AsfWriter(std::move(file)));
}

HRESULT AsfWriter::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IFileSinkFilter)
        return GetInterface(static_cast<IFileSinkFilter*>(this), object);
    if (iid == IID_IConfigAsfWriter)
        return GetInterface(static_cast<IConfigAsfWriter*>(this), object);
    return TBCBaseFilter::NonDelegatingQueryInterface(iid, object);
}

int AsfWriter::GetPinCount()
{
    TBCAutoLock lock(&m_lock);
    return static_cast<int>(m_inputs.size());
}

TBCBasePin* AsfWriter::GetPin(int index)
{
    TBCAutoLock lock(&m_lock);
    if (index < 0 || index >= static_cast<int>(m_inputs.size()))
        return nullptr;
    return m_inputs[static_cast<std::size_t>(index)];
}

HRESULT AsfWriter::ApplyProfile(WmProfileDescription profile)
{
    // Dropped pins leave their connections after the filter lock is released: a peer's lock is
    // never taken under ours, since connecting takes them the other way round.
    std::vector<AsfWriterInputPin*> previous;
    {
        TBCAutoLock lock(&m_lock);
        const HRESULT hr = ChoosePins(std::move(profile), &previous);
        if (Failed(hr))
            return hr;
    }
    for (AsfWriterInputPin* pin : previous) {
        ComPtr<IPin> peer;
        if (Succeeded(pin->ConnectedTo(&peer))) {
            (void)peer->Disconnect();
            (void)pin->Disconnect();
        }
    }
    return S_OK;
}

HRESULT AsfWriter::ChoosePins(WmProfileDescription profile, std::vector<AsfWriterInputPin*>* dropped)
{
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    if (profile.streams.empty())
        return E_INVALIDARG;
    for (const auto& stream : profile.streams)
        if (!stream.IsVideo() && !stream.IsAudio())
            return E_INVALIDARG;

    // Connected pins first, so that a connection survives whenever the new profile has a stream
    // of its type; then free pins of the type; then new ones.
    std::vector<AsfWriterInputPin*>& previous = *dropped;
    previous = m_inputs;
    std::vector<AsfWriterInputPin*> next;
    const auto take = [&](const GUID& type, bool connected) -> AsfWriterInputPin* {
        const auto found = std::find_if(previous.begin(), previous.end(), [&](AsfWriterInputPin* pin) {
            return pin->StreamType() == type && pin->IsConnected() == connected;
        });
        if (found == previous.end())
            return nullptr;
        AsfWriterInputPin* pin = *found;
        previous.erase(found);
        return pin;
    };
    next.resize(profile.streams.size(), nullptr);
    for (std::size_t i = 0; i < profile.streams.size(); ++i)
        next[i] = take(profile.streams[i].type, true);
    int videoCount = 0, audioCount = 0;
    for (std::size_t i = 0; i < profile.streams.size(); ++i) {
        const GUID& type = profile.streams[i].type;
        const QString name = PinName(type, type == WMMEDIATYPE_Video ? ++videoCount : ++audioCount);
        if (!next[i])
            next[i] = take(type, false);
        if (!next[i]) {
            HRESULT hr = S_OK;
            m_allInputs.push_back(std::make_unique<AsfWriterInputPin>(this, &m_lock, &hr, name, type));
            next[i] = m_allInputs.back().get();
        }
        next[i]->m_name = name;
        next[i]->SetId(name);
        next[i]->m_stream = profile.streams[i];
    }
    m_inputs = std::move(next);
    m_profile = std::move(profile);
    IncrementPinVersion();
    return S_OK;
}

HRESULT AsfWriter::ConfigureFilterUsingProfileGuid(const GUID& profile)
{
    const WmProfileDescription* found = FindSystemProfile(profile);
    if (!found)
        return VFW_E_NOT_FOUND;
    return ApplyProfile(*found);
}

HRESULT AsfWriter::GetCurrentProfileGuid(GUID* profile)
{
    if (!profile)
        return E_POINTER;
    TBCAutoLock lock(&m_lock);
    *profile = m_profile.id;
    return S_OK;
}

HRESULT AsfWriter::ConfigureFilterUsingProfile(IWMProfile* profile)
{
    if (!profile)
        return E_POINTER;
    auto description = DescribeProfile(profile);
    if (!description)
        return E_INVALIDARG;
    return ApplyProfile(std::move(*description));
}

HRESULT AsfWriter::GetCurrentProfile(ComPtr<IWMProfile>* profile)
{
    if (!profile)
        return E_POINTER;
    TBCAutoLock lock(&m_lock);
    *profile = MakeWmProfile(m_profile);
    return S_OK;
}

HRESULT AsfWriter::SetFileName(const QString& fileName, const AM_MEDIA_TYPE*)
{
    if (fileName.isEmpty())
        return E_INVALIDARG;
    TBCAutoLock lock(&m_lock);
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    m_fileName = fileName;
    return S_OK;
}

HRESULT AsfWriter::GetCurFile(QString* fileName, AM_MEDIA_TYPE* type)
{
    if (!fileName)
        return E_POINTER;
    TBCAutoLock lock(&m_lock);
    *fileName = m_fileName;
    if (type) {
        *type = AM_MEDIA_TYPE{};
        type->majortype = MEDIATYPE_Stream;
        type->subtype = MEDIASUBTYPE_Asf;
        type->formattype = FORMAT_None;
    }
    return m_fileName.isEmpty() ? E_FAIL : S_OK;
}

HRESULT AsfWriter::Pause()
{
    TBCAutoLock lock(&m_lock);
    if (IsStopped()) {
        HRESULT hr = StartFile();
        if (Failed(hr))
            return hr;
        if (hr = TBCBaseFilter::Pause(); Failed(hr)) {
            (void)FinishFile();
            return hr;
        }
        return S_OK;
    }
    return TBCBaseFilter::Pause();
}

HRESULT AsfWriter::Stop()
{
    TBCAutoLock lock(&m_lock);
    const bool wasActive = !IsStopped();
    const HRESULT stopped = TBCBaseFilter::Stop();
    const HRESULT finished = wasActive ? FinishFile() : S_OK;
    return Failed(finished) ? finished : stopped;
}

HRESULT AsfWriter::StartFile()
{
    std::vector<AsfWriterInputPin*> inputs;
    for (AsfWriterInputPin* pin : m_inputs)
        if (pin->IsConnected())
            inputs.push_back(pin);
    if (inputs.empty())
        return VFW_E_NOT_CONNECTED;
    if (m_fileName.isEmpty())
        return E_UNEXPECTED;

    std::vector<std::unique_ptr<AsfStreamEncoder>> encoders;
    std::vector<const AVCodecContext*> codecs;
    for (AsfWriterInputPin* pin : inputs) {
        HRESULT hr = S_OK;
        auto encoder = OpenAsfStreamEncoder(pin->m_stream, pin->CurrentMediaType(), &hr);
        if (!encoder)
            return Failed(hr) ? hr : E_FAIL;
        codecs.push_back(encoder->Codec());
        encoders.push_back(std::move(encoder));
    }
    {
        std::lock_guard fileLock(m_fileMutex);
        const HRESULT hr = m_file.Open(m_fileName, codecs);
        if (Failed(hr))
            return hr;
    }
    // Pin before file, as on the streaming threads.
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        std::lock_guard encodeLock(inputs[i]->m_encodeMutex);
        inputs[i]->m_encoder = std::move(encoders[i]);
        inputs[i]->m_fileStream = i;
        inputs[i]->m_ended = false;
    }
    std::lock_guard fileLock(m_fileMutex);
    m_runInputs = std::move(inputs);
    m_failureReported = false;
    return S_OK;
}

HRESULT AsfWriter::FinishFile()
{
    std::vector<AsfWriterInputPin*> inputs;
    {
        std::lock_guard fileLock(m_fileMutex);
        inputs = m_runInputs;
    }
    HRESULT result = S_OK;
    for (AsfWriterInputPin* pin : inputs) {
        std::lock_guard encodeLock(pin->m_encodeMutex);
        if (pin->m_encoder && !pin->m_ended) {
            const HRESULT hr = pin->m_encoder->Finish(
                [this, pin](AVPacket* packet) { return WritePacket(pin->m_fileStream, packet); });
            if (Failed(hr) && Succeeded(result))
                result = hr;
            pin->m_ended = true;
        }
        pin->m_encoder.reset();
    }
    std::lock_guard fileLock(m_fileMutex);
    const HRESULT finished = m_file.Finish();
    m_runInputs.clear();
    if (Succeeded(result))
        result = finished;
    if (Failed(result))
        ReportFailure(result);
    return result;
}

HRESULT AsfWriter::WriteSample(AsfWriterInputPin* pin, IMediaSample* sample)
{
    std::lock_guard encodeLock(pin->m_encodeMutex);
    if (!pin->m_encoder || pin->m_ended)
        return VFW_E_WRONG_STATE;
    const HRESULT hr = pin->m_encoder->Encode(
        sample, [this, pin](AVPacket* packet) { return WritePacket(pin->m_fileStream, packet); });
    if (Failed(hr) && !IsStopping(hr)) {
        pin->SetRuntimeError();
        ReportFailure(hr);
    }
    return hr;
}

void AsfWriter::EndStream(AsfWriterInputPin* pin)
{
    HRESULT hr = S_OK;
    {
        std::lock_guard encodeLock(pin->m_encodeMutex);
        if (!pin->m_encoder || pin->m_ended)
            return;
        hr = pin->m_encoder->Finish(
            [this, pin](AVPacket* packet) { return WritePacket(pin->m_fileStream, packet); });
        pin->m_ended = true;
    }
    if (Failed(hr)) {
        ReportFailure(hr);
        return;
    }
    // The last stream to end completes the file.
    std::lock_guard fileLock(m_fileMutex);
    const bool allEnded = std::all_of(m_runInputs.begin(), m_runInputs.end(),
                                      [](AsfWriterInputPin* p) { return p->m_ended.load(); });
    if (!allEnded || !m_file.IsOpen())
        return;
    hr = m_file.Finish();
    if (Failed(hr))
        ReportFailure(hr);
    else
        (void)NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT AsfWriter::WritePacket(std::size_t stream, AVPacket* packet)
{
    std::lock_guard fileLock(m_fileMutex);
    return m_file.Write(stream, packet);
}

void AsfWriter::ReportFailure(HRESULT hr)
{
    if (!m_failureReported.exchange(true))
        (void)NotifyEvent(EC_ERRORABORT, hr, 0);
}

} // namespace camtrove::media
