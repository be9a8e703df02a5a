#pragma once
// TMonikerList: the crossbar monikers, filled at start-up, that a video device tries in order
// to put a crossbar in front of its analog input.

#include "media/core/moniker_interfaces.h"

#include <vector>

namespace camtrove::graph {

struct TmonikerClass
{
    media::ComPtr<media::IMoniker> Moniker;
};

class TMonikerList
{
public:
    void Clear() { m_items.clear(); }
    void Add(media::ComPtr<media::IMoniker> moniker) { m_items.push_back({std::move(moniker)}); }
    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    // Null when the index is out of range.
    [[nodiscard]] media::IMoniker* Items(int index) const
    {
        return index >= 0 && index < Count() ? m_items[static_cast<std::size_t>(index)].Moniker.Get()
                                             : nullptr;
    }

private:
    std::vector<TmonikerClass> m_items;
};

} // namespace camtrove::graph
