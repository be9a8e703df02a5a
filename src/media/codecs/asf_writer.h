#pragma once
// The WM ASF Writer: a multiplexer and file sink in one filter. Its input pins are the streams of
// its profile, in the profile's order (audio pin 0 and video pin 1 for the usual profiles); each
// takes uncompressed video (RGB, YUY2, UYVY, I420) or PCM and encodes it as the profile says
// (wmv2 at the profile's picture size and frame rate, wmav2 at its sampling rate and channels).
//
// Configuring a profile needs the filter stopped. It keeps the connected pins whose stream type
// the new profile still has, in the new order, and disconnects the others, so a chain may connect
// first and choose its profile afterwards.
//
// A run writes the file named through IFileSinkFilter: opened (and emptied) when the run starts,
// with one stream per connected pin; each pin encodes on its own streaming thread, one lock
// serialises the muxer. The file is complete when every connected pin has ended its stream
// (EC_COMPLETE), or at Stop. A failed write raises EC_ERRORABORT with the error, the error goes
// upstream, and the run never reports completion.

#include "media/base/base_pin.h"
#include "media/codecs/asf_file.h"
#include "media/codecs/asf_stream_encoder.h"
#include "media/codecs/wm_profile.h"
#include "media/core/device_interfaces.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace camtrove::media {

class IConfigAsfWriter : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IConfigAsfWriter;
    // The system profile of any version with this identifier.
    [[nodiscard]] virtual HRESULT ConfigureFilterUsingProfileGuid(const GUID& profile) = 0;
    [[nodiscard]] virtual HRESULT GetCurrentProfileGuid(GUID* profile) = 0;
    // A copy of the profile is taken; later changes to it do not reach the filter.
    [[nodiscard]] virtual HRESULT ConfigureFilterUsingProfile(IWMProfile* profile) = 0;
    // A copy of the filter's profile.
    [[nodiscard]] virtual HRESULT GetCurrentProfile(ComPtr<IWMProfile>* profile) = 0;
};

class AsfWriter;

class AsfWriterInputPin final : public TBCBaseInputPin
{
public:
    AsfWriterInputPin(AsfWriter* filter, TBCCritSec* lock, HRESULT* result, QString name, GUID streamType);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

    [[nodiscard]] const GUID& StreamType() const { return m_streamType; }

private:
    friend class AsfWriter;
    AsfWriter* m_writer;
    GUID m_streamType;
    WmStreamDescription m_stream; // set while stopped, under the filter lock

    // The run's encoder, under m_encodeMutex; the streaming thread and Stop take it in turn.
    std::mutex m_encodeMutex;
    std::unique_ptr<AsfStreamEncoder> m_encoder;
    std::size_t m_fileStream = 0;
    std::atomic<bool> m_ended{false};
};

class AsfWriter final : public TBCBaseFilter, public IFileSinkFilter, public IConfigAsfWriter
{
public:
    [[nodiscard]] static ComPtr<AsfWriter> Create(std::unique_ptr<SinkFile> file = MakeLocalSinkFile());
    ~AsfWriter() override;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    int GetPinCount() override;
    TBCBasePin* GetPin(int index) override;

    HRESULT Pause() override;
    HRESULT Stop() override;

    // IFileSinkFilter
    HRESULT SetFileName(const QString& fileName, const AM_MEDIA_TYPE* type) override;
    HRESULT GetCurFile(QString* fileName, AM_MEDIA_TYPE* type) override;

    // IConfigAsfWriter
    HRESULT ConfigureFilterUsingProfileGuid(const GUID& profile) override;
    HRESULT GetCurrentProfileGuid(GUID* profile) override;
    HRESULT ConfigureFilterUsingProfile(IWMProfile* profile) override;
    HRESULT GetCurrentProfile(ComPtr<IWMProfile>* profile) override;

private:
    friend class AsfWriterInputPin;
    explicit AsfWriter(std::unique_ptr<SinkFile> file);

    [[nodiscard]] HRESULT ApplyProfile(WmProfileDescription profile);
    // Under the filter lock: the pins for the profile's streams; the pins it no longer uses.
    [[nodiscard]] HRESULT ChoosePins(WmProfileDescription profile, std::vector<AsfWriterInputPin*>* dropped);
    [[nodiscard]] HRESULT StartFile();
    [[nodiscard]] HRESULT FinishFile();
    // Streaming threads.
    [[nodiscard]] HRESULT WriteSample(AsfWriterInputPin* pin, IMediaSample* sample);
    void EndStream(AsfWriterInputPin* pin);
    [[nodiscard]] HRESULT WritePacket(std::size_t stream, AVPacket* packet);
    void ReportFailure(HRESULT hr);

    TBCCritSec m_lock;
    WmProfileDescription m_profile;
    std::vector<AsfWriterInputPin*> m_inputs; // the profile's streams, in order
    // Every pin ever made: a caller may still hold one that left the list.
    std::vector<std::unique_ptr<AsfWriterInputPin>> m_allInputs;
    QString m_fileName;

    std::unique_ptr<SinkFile> m_sinkFile;
    std::mutex m_fileMutex; // guards m_file and m_runInputs during a run
    AsfFile m_file;
    std::vector<AsfWriterInputPin*> m_runInputs;
    std::atomic<bool> m_failureReported{false};
};

} // namespace camtrove::media
