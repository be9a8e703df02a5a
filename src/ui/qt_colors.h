#pragma once
// The system's colour values on Qt: plain colours are 0x00BBGGRR, system colours come from the
// palette of the widget that shows them.

#include "common/colors.h"

#include <QColor>
#include <QPalette>

namespace camtrove::ui {

[[nodiscard]] QColor ToQColor(TColor color, const QPalette& palette);

} // namespace camtrove::ui
