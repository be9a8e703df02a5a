#pragma once
// The capture graph builder bound to one graph. Lookups walk pin connections; rendering and the
// output file use the graph's own operations. The multiplexers and file sinks it creates come
// from its catalogue, which should be the graph's. Runs on the control thread that builds the graph.

#include "media/core/capture_builder_interfaces.h"
#include "media/core/filter_catalogue.h"
#include "media/core/registration_results.h"

namespace camtrove::media {

class CaptureGraphBuilder final : public RefCounted, public ICaptureGraphBuilder2
{
public:
    [[nodiscard]] static ComPtr<CaptureGraphBuilder>
    Create(const FilterCatalogue* catalogue = &FilterCatalogue::BuiltIn());

    HRESULT QueryInterface(const GUID& iid, void** object) override;

    HRESULT SetFiltergraph(IGraphBuilder* graph) override;
    HRESULT GetFiltergraph(ComPtr<IGraphBuilder>* graph) override;
    HRESULT SetOutputFileName(const GUID& type, const QString& fileName, ComPtr<IBaseFilter>* mux,
                              ComPtr<IFileSinkFilter>* sink) override;
    HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, const GUID& iid,
                          void** object) override;
    HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source, IBaseFilter* intermediate,
                         IBaseFilter* sink) override;
    HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                    bool unconnected, int index, ComPtr<IPin>* pin) override;

private:
    explicit CaptureGraphBuilder(const FilterCatalogue* catalogue) : m_catalogue(catalogue) {}
    [[nodiscard]] const FilterCatalogue& Catalogue() const;
    // Creates the class from the catalogue and adds it under name; REGDB_E_CLASSNOTREG when unknown.
    [[nodiscard]] HRESULT AddFromCatalogue(const GUID& clsid, const QString& name,
                                           ComPtr<IBaseFilter>* filter);
    [[nodiscard]] HRESULT ConnectToFilter(IPin* output, IBaseFilter* filter);

    ComPtr<IGraphBuilder> m_graph;
    const FilterCatalogue* m_catalogue = nullptr;
};

// The category a pin reports through IKsPropertySet, or null when it reports none.
[[nodiscard]] GUID PinCategoryOf(IPin* pin);

} // namespace camtrove::media
