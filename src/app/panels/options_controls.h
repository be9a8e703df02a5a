#pragma once
// The settings panel's controls as data: what each shows, whether it is visible. The panel's
// widgets mirror them; combo boxes use TSourceListData (items, selection, text).

#include <QStringList>

namespace camtrove::app {

struct TCheckControl
{
    bool Checked = false;
    bool Visible = true;
};

// A radio group's item index is -1 when no item is selected.
struct TRadioControl
{
    QStringList Items;
    int ItemIndex = -1;

    // Selects item index when it names an item, none otherwise.
    void Select(int index) { ItemIndex = index >= 0 && index < Items.size() ? index : -1; }
};

} // namespace camtrove::app
