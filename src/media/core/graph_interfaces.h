#pragma once
// The graph's interfaces: building (IFilterGraph, IGraphBuilder), control (IMediaControl),
// the event channel (IMediaEventEx for the application, IMediaEventSink for filters) and
// filter chains.

#include "media/core/filter_interfaces.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace camtrove::media {

// Event codes
inline constexpr std::int32_t EC_COMPLETE = 0x01;
inline constexpr std::int32_t EC_USERABORT = 0x02;
inline constexpr std::int32_t EC_ERRORABORT = 0x03;
inline constexpr std::int32_t EC_STREAM_ERROR_STOPPED = 0x06;
inline constexpr std::int32_t EC_QUALITY_CHANGE = 0x0B;
inline constexpr std::int32_t EC_DEVICE_LOST = 0x1F;
inline constexpr std::int32_t EC_USER = 0x8000;

using LONG_PTR = std::intptr_t;

class IEnumFilters : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IEnumFilters;
    [[nodiscard]] virtual HRESULT Next(ComPtr<IBaseFilter>* filter) = 0;
    virtual HRESULT Reset() = 0;
};

class IFilterGraph : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IFilterGraph;
    // A name already taken is made unique (VFW_S_DUPLICATE_NAME); an empty name is generated.
    [[nodiscard]] virtual HRESULT AddFilter(IBaseFilter* filter, const QString& name) = 0;
    // Disconnects the filter's pins first; a filter not in the graph is left alone (S_FALSE).
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    [[nodiscard]] virtual HRESULT EnumFilters(ComPtr<IEnumFilters>* filters) = 0;
    [[nodiscard]] virtual HRESULT FindFilterByName(const QString& name, ComPtr<IBaseFilter>* filter) = 0;
    // Connects two pins of the graph's filters without converters; the type may be partly given.
    [[nodiscard]] virtual HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) = 0;
    [[nodiscard]] virtual HRESULT Reconnect(IPin* pin) = 0;
    virtual HRESULT Disconnect(IPin* pin) = 0;
    virtual HRESULT SetDefaultSyncSource() = 0;
};

class IGraphBuilder : public IFilterGraph
{
public:
    static constexpr GUID Iid = IID_IGraphBuilder;
    // Direct first; else through converters the filter mapper offers.
    [[nodiscard]] virtual HRESULT Connect(IPin* output, IPin* input) = 0;
    // Reconnects pin and its peer with the given type (the framework's IFilterGraph2::ReconnectEx).
    [[nodiscard]] virtual HRESULT ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* type) = 0;
};

class IMediaControl : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IMediaControl;
    [[nodiscard]] virtual HRESULT Run() = 0;
    [[nodiscard]] virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    [[nodiscard]] virtual HRESULT GetState(std::int32_t timeoutMs, FILTER_STATE* state) = 0;
};

class IMediaEventSink : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IMediaEventSink;
    // Safe from any thread.
    virtual HRESULT Notify(std::int32_t code, LONG_PTR param1, LONG_PTR param2) = 0;
};

class IMediaEventEx : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IMediaEventEx;
    // E_ABORT when no event arrives within the timeout (0: do not wait).
    [[nodiscard]] virtual HRESULT GetEvent(std::int32_t* code, LONG_PTR* param1, LONG_PTR* param2,
                                           std::int32_t timeoutMs) = 0;
    virtual HRESULT FreeEventParams(std::int32_t code, LONG_PTR param1, LONG_PTR param2) = 0;
    // The stand-in for the notify window: called on the notifying thread whenever an event is
    // queued; the receiver posts itself a message and reads the events on its own thread.
    virtual HRESULT SetNotifyCallback(std::function<void()> callback) = 0;
};

class IFilterChain : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IFilterChain;
    // Removes start, end and the filters between them; a null end takes the longest chain.
    [[nodiscard]] virtual HRESULT RemoveChain(IBaseFilter* start, IBaseFilter* end) = 0;
};

} // namespace camtrove::media
