#pragma once
// One choice list of the Sources panel as data: its items, the selected one, the text shown (which
// may name no item) and the colour the text is drawn in. The panel's widgets mirror it.

#include "common/colors.h"

#include <QStringList>

namespace camtrove::app {

struct TSourceListData
{
    QStringList Items;
    int ItemIndex = -1;
    QString Text;
    TColor TextColor = clWindowText;

    [[nodiscard]] bool Holds(const QString& item) const { return Items.contains(item); }
    // Selects the item equal to text, when there is one, and shows it; otherwise nothing changes.
    void Select(const QString& text)
    {
        const auto index = Items.indexOf(text);
        if (index < 0)
            return;
        ItemIndex = static_cast<int>(index);
        Text = text;
    }
    void SelectIndex(int index)
    {
        if (index < 0 || index >= Items.size())
            return;
        ItemIndex = index;
        Text = Items[index];
    }
    void Clear()
    {
        Items.clear();
        ItemIndex = -1;
        Text.clear();
    }
    [[nodiscard]] QString First() const { return Items.isEmpty() ? QString() : Items.front(); }
};

} // namespace camtrove::app
