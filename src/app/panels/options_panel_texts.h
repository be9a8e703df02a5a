#pragma once
// The English captions and hints the Settings panel takes when it is first shown, over the texts
// of its design. The window applies them to the controls of the same names.

#include <QString>

#include <span>

namespace camtrove::app {

struct TControlText
{
    const char* Control; // the control's name, or the page's
    QString Caption;     // empty: the caption stays
    QString Hint;        // empty: the hint stays
};

[[nodiscard]] std::span<const TControlText> OptionsPanelTexts();

// The explanation shown instead of the MP3 controls when no MP3 encoder is installed.
[[nodiscard]] QString Mp3MissingText();

} // namespace camtrove::app
