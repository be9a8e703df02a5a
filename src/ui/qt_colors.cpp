#include "ui/qt_colors.h"

namespace camtrove::ui {

namespace {

QPalette::ColorRole SystemColorRole(TColor color)
{
    switch (color) {
    case clWindow:
        return QPalette::Base;
    case clBackground:
        return QPalette::Window;
    case clHighlight:
        return QPalette::Highlight;
    case clHighlightText:
        return QPalette::HighlightedText;
    case clBtnFace:
        return QPalette::Button;
    case clBtnText:
        return QPalette::ButtonText;
    case clBtnShadow:
    case clAppWorkSpace: // the backdrop of document areas, which Qt paints with the dark role
        return QPalette::Dark;
    case clInfoText:
        return QPalette::ToolTipText;
    case clInfoBk:
        return QPalette::ToolTipBase;
    case clScrollBar:
        return QPalette::Mid;
    default:
        return QPalette::Text;
    }
}

} // namespace

QColor ToQColor(TColor color, const QPalette& palette)
{
    if (IsSystemColor(color)) {
        if (color == clGrayText)
            return palette.color(QPalette::Disabled, QPalette::Text);
        return palette.color(QPalette::Active, SystemColorRole(color));
    }
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

} // namespace camtrove::ui
