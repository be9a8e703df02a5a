#pragma once
// The streaming interfaces: filters, pins, enumerators, samples, allocators, clocks.

#include "media/core/media_type.h"
#include "media/core/unknown.h"

#include <QString>

#include <cstdint>

namespace camtrove::media {

class IPin;
class IBaseFilter;
class IFilterGraph;
class IMemAllocator;

enum FILTER_STATE : std::int32_t
{
    State_Stopped = 0,
    State_Paused = 1,
    State_Running = 2
};
enum PIN_DIRECTION : std::int32_t
{
    PINDIR_INPUT = 0,
    PINDIR_OUTPUT = 1
};

// The stream id of a sample: media data, or a control sample that filters pass on untouched.
inline constexpr std::uint32_t AM_STREAM_MEDIA = 0;
inline constexpr std::uint32_t AM_STREAM_CONTROL = 1;

// GetBuffer flags
inline constexpr std::uint32_t AM_GBF_PREVFRAMESKIPPED = 1;
inline constexpr std::uint32_t AM_GBF_NOTASYNCPOINT = 2;
inline constexpr std::uint32_t AM_GBF_NOWAIT = 4;

struct PIN_INFO
{
    ComPtr<IBaseFilter> pFilter;
    PIN_DIRECTION dir = PINDIR_INPUT;
    QString achName;
};

struct FILTER_INFO
{
    QString achName;
    ComPtr<IFilterGraph> pGraph;
};

struct ALLOCATOR_PROPERTIES
{
    std::int32_t cBuffers = 0;
    std::int32_t cbBuffer = 0;
    std::int32_t cbAlign = 0;
    std::int32_t cbPrefix = 0;
};

struct Quality
{
    std::int32_t Type = 0; // 0 famine, 1 flood
    std::int32_t Proportion = 1000;
    REFERENCE_TIME Late = 0;
    REFERENCE_TIME TimeStamp = 0;
};

class IPersist : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IPersist;
    [[nodiscard]] virtual HRESULT GetClassID(GUID* classId) = 0;
};

class IReferenceClock : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IReferenceClock;
    // The clock's time in 100 ns units; never runs backwards.
    [[nodiscard]] virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
};

class IMediaSample : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IMediaSample;
    [[nodiscard]] virtual HRESULT GetPointer(std::uint8_t** buffer) = 0;
    [[nodiscard]] virtual std::int32_t GetSize() = 0;
    // VFW_E_SAMPLE_TIME_NOT_SET without times, VFW_S_NO_STOP_TIME with a start time only.
    [[nodiscard]] virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    // Null start clears both; null stop gives a start time only.
    virtual HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) = 0;
    [[nodiscard]] virtual HRESULT IsSyncPoint() = 0; // S_OK or S_FALSE
    virtual HRESULT SetSyncPoint(bool isSyncPoint) = 0;
    [[nodiscard]] virtual HRESULT IsPreroll() = 0;
    virtual HRESULT SetPreroll(bool isPreroll) = 0;
    [[nodiscard]] virtual std::int32_t GetActualDataLength() = 0;
    virtual HRESULT SetActualDataLength(std::int32_t length) = 0;
    // S_FALSE and a null pointer when no type is attached; otherwise a copy of the new type.
    [[nodiscard]] virtual HRESULT GetMediaType(AM_MEDIA_TYPE** type) = 0;
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type) = 0;
    [[nodiscard]] virtual HRESULT IsDiscontinuity() = 0;
    virtual HRESULT SetDiscontinuity(bool isDiscontinuity) = 0;
    [[nodiscard]] virtual HRESULT GetMediaTime(std::int64_t* start, std::int64_t* stop) = 0;
    virtual HRESULT SetMediaTime(const std::int64_t* start, const std::int64_t* stop) = 0;
    [[nodiscard]] virtual std::uint32_t GetStreamId() = 0;
    virtual void SetStreamId(std::uint32_t streamId) = 0;
    [[nodiscard]] virtual std::uint32_t GetTypeSpecificFlags() = 0;
    virtual void SetTypeSpecificFlags(std::uint32_t flags) = 0;
};

class IMemAllocator : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IMemAllocator;
    [[nodiscard]] virtual HRESULT SetProperties(const ALLOCATOR_PROPERTIES& request,
                                                ALLOCATOR_PROPERTIES* actual) = 0;
    [[nodiscard]] virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) = 0;
    [[nodiscard]] virtual HRESULT Commit() = 0;
    virtual HRESULT Decommit() = 0;
    // Blocks while every buffer is in use, unless AM_GBF_NOWAIT; VFW_E_NOT_COMMITTED once decommitted.
    [[nodiscard]] virtual HRESULT GetBuffer(ComPtr<IMediaSample>* sample, const REFERENCE_TIME* start,
                                            const REFERENCE_TIME* stop, std::uint32_t flags) = 0;
};

class IEnumMediaTypes : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IEnumMediaTypes;
    // S_OK with the next type, S_FALSE at the end, VFW_E_ENUM_OUT_OF_SYNC when the list changed.
    [[nodiscard]] virtual HRESULT Next(AM_MEDIA_TYPE* type) = 0;
    [[nodiscard]] virtual HRESULT Skip(std::uint32_t count) = 0;
    virtual HRESULT Reset() = 0;
};

class IEnumPins : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IEnumPins;
    [[nodiscard]] virtual HRESULT Next(ComPtr<IPin>* pin) = 0;
    [[nodiscard]] virtual HRESULT Skip(std::uint32_t count) = 0;
    virtual HRESULT Reset() = 0;
};

class IPin : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IPin;
    // Output pins only: connect to receivePin, with a type that may be partly given or absent.
    [[nodiscard]] virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) = 0;
    // Input pins only: the output pin connector proposes the type.
    [[nodiscard]] virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE& type) = 0;
    virtual HRESULT Disconnect() = 0; // S_FALSE when not connected
    [[nodiscard]] virtual HRESULT ConnectedTo(ComPtr<IPin>* pin) = 0;
    [[nodiscard]] virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) = 0;
    [[nodiscard]] virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    [[nodiscard]] virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    [[nodiscard]] virtual HRESULT QueryId(QString* id) = 0;
    [[nodiscard]] virtual HRESULT QueryAccept(const AM_MEDIA_TYPE& type) = 0;
    [[nodiscard]] virtual HRESULT EnumMediaTypes(ComPtr<IEnumMediaTypes>* types) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

class IMemInputPin : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IMemInputPin;
    [[nodiscard]] virtual HRESULT GetAllocator(ComPtr<IMemAllocator>* allocator) = 0;
    [[nodiscard]] virtual HRESULT NotifyAllocator(IMemAllocator* allocator, bool readOnly) = 0;
    [[nodiscard]] virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) = 0;
    // Called on the upstream pin's streaming thread.
    [[nodiscard]] virtual HRESULT Receive(IMediaSample* sample) = 0;
    [[nodiscard]] virtual HRESULT ReceiveCanBlock() = 0;
};

class IQualityControl : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IQualityControl;
    virtual HRESULT Notify(IBaseFilter* self, const Quality& quality) = 0;
};

class IMediaFilter : public IPersist
{
public:
    static constexpr GUID Iid = IID_IMediaFilter;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    [[nodiscard]] virtual HRESULT GetState(std::uint32_t timeoutMs, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    [[nodiscard]] virtual HRESULT GetSyncSource(ComPtr<IReferenceClock>* clock) = 0;
};

class IBaseFilter : public IMediaFilter
{
public:
    static constexpr GUID Iid = IID_IBaseFilter;
    [[nodiscard]] virtual HRESULT EnumPins(ComPtr<IEnumPins>* pins) = 0;
    // By pin id; VFW_E_NOT_FOUND when no pin has it.
    [[nodiscard]] virtual HRESULT FindPin(const QString& id, ComPtr<IPin>* pin) = 0;
    [[nodiscard]] virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // The graph is not referenced by its filters: it owns them.
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, const QString& name) = 0;
    [[nodiscard]] virtual HRESULT QueryVendorInfo(QString* info) = 0;
};

} // namespace camtrove::media
