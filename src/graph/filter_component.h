#pragma once
// A filter component: a named slot that makes its filter from a moniker each time it joins a
// graph and drops that instance when it leaves, so that no state (pins, threads, a tape position)
// outlives one use. The component is bound to a moniker once or again at run time (a candidate
// decoder, a crossbar); the graph name is the component's name. Control thread only.

#include "media/core/filter_catalogue.h"
#include "media/core/graph_interfaces.h"
#include "media/core/moniker_interfaces.h"

#include <QString>

namespace camtrove::graph {

class TFilterComponent
{
public:
    explicit TFilterComponent(QString name) : m_name(std::move(name)) {}
    ~TFilterComponent();
    TFilterComponent(const TFilterComponent&) = delete;
    TFilterComponent& operator=(const TFilterComponent&) = delete;

    // Leaves the graph it is in, then keeps the moniker for the next Join.
    void BindMoniker(media::ComPtr<media::IMoniker> moniker);
    // Binds to a registered filter of the catalogue; false when the class is not registered.
    bool BindClass(const media::FilterCatalogue& catalogue, const media::GUID& clsid);

    // Makes an instance when none is held and adds it to graph under the component's name. S_OK
    // when the instance is already in that graph.
    [[nodiscard]] media::HRESULT Join(media::IFilterGraph* graph);
    // Removes the instance from the graph it is in (when something else has not removed it
    // already) and drops it.
    void Leave();

    [[nodiscard]] bool InGraph(media::IFilterGraph* graph) const;
    [[nodiscard]] bool Joined() const;
    [[nodiscard]] media::IBaseFilter* Filter() const { return m_filter.Get(); }
    [[nodiscard]] media::IMoniker* Moniker() const { return m_moniker.Get(); }
    [[nodiscard]] const QString& Name() const { return m_name; }

private:
    QString m_name;
    media::ComPtr<media::IMoniker> m_moniker;
    media::ComPtr<media::IBaseFilter> m_filter;
};

} // namespace camtrove::graph
