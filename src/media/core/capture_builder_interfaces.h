#pragma once
// The capture graph builder: pin and interface lookups over a graph's filters, stream rendering
// through an optional intermediate filter, and the multiplexer with its file sink.

#include "media/core/device_interfaces.h"
#include "media/core/graph_interfaces.h"

namespace camtrove::media {

class ICaptureGraphBuilder2 : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_ICaptureGraphBuilder2;
    [[nodiscard]] virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
    // Creates a graph on first use when none was set.
    [[nodiscard]] virtual HRESULT GetFiltergraph(ComPtr<IGraphBuilder>* graph) = 0;
    // MEDIASUBTYPE_Avi: the AVI multiplexer and a file writer connected behind it;
    // MEDIASUBTYPE_Asf: the ASF writer, which is both. mux and sink may be null.
    [[nodiscard]] virtual HRESULT SetOutputFileName(const GUID& type, const QString& fileName,
                                                    ComPtr<IBaseFilter>* mux,
                                                    ComPtr<IFileSinkFilter>* sink) = 0;
    // category: null (the filter, its pins, then upstream and downstream), LOOK_UPSTREAM_ONLY,
    // LOOK_DOWNSTREAM_ONLY (not the filter itself), or a pin category (the filter's output pin of
    // that category and major type, the filter, downstream from the pin, then upstream).
    [[nodiscard]] virtual HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter,
                                                const GUID& iid, void** object) = 0;
    // Connects an output of source (a filter or an output pin) to sink, through intermediate when
    // one is given; the graph may insert converters on the way.
    [[nodiscard]] virtual HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                               IBaseFilter* intermediate, IBaseFilter* sink) = 0;
    // The index-th pin of source (a filter, or a pin tested on its own) with the direction, pin
    // category, major type and connection state asked for; E_FAIL when there is none.
    [[nodiscard]] virtual HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                                          const GUID* type, bool unconnected, int index,
                                          ComPtr<IPin>* pin) = 0;
};

} // namespace camtrove::media
