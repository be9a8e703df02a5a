#include "graph/filter_component.h"

#include "graph/graph_pins.h"
#include "media/core/filter_moniker.h"

namespace camtrove::graph {

using namespace media;

TFilterComponent::~TFilterComponent()
{
    Leave();
}

void TFilterComponent::BindMoniker(ComPtr<IMoniker> moniker)
{
    Leave();
    m_moniker = std::move(moniker);
}

bool TFilterComponent::BindClass(const FilterCatalogue& catalogue, const GUID& clsid)
{
    const auto registration = catalogue.Find(clsid);
    if (!registration) {
        BindMoniker(nullptr);
        return false;
    }
    BindMoniker(
        ComPtr<IMoniker>(FilterMoniker::ForRegistration(*registration, registration->category).Get()));
    return true;
}

HRESULT TFilterComponent::Join(IFilterGraph* graph)
{
    if (!graph)
        return E_POINTER;
    if (m_filter && InGraph(graph))
        return S_OK;
    if (m_filter && GraphOf(m_filter.Get()))
        Leave();
    if (!m_filter) {
        if (!m_moniker)
            return E_UNEXPECTED;
        const HRESULT bound = m_moniker->BindToObject(IID_IBaseFilter, m_filter.AsOut());
        if (Failed(bound))
            return bound;
        if (!m_filter)
            return E_FAIL;
    }
    const HRESULT added = graph->AddFilter(m_filter.Get(), m_name);
    if (Failed(added))
        m_filter.Reset();
    return added;
}

void TFilterComponent::Leave()
{
    if (!m_filter)
        return;
    if (const auto graph = GraphOf(m_filter.Get()))
        (void)graph->RemoveFilter(m_filter.Get());
    m_filter.Reset();
}

bool TFilterComponent::InGraph(IFilterGraph* graph) const
{
    return m_filter && graph && GraphOf(m_filter.Get()).Get() == graph;
}

bool TFilterComponent::Joined() const
{
    return m_filter && GraphOf(m_filter.Get());
}

} // namespace camtrove::graph
