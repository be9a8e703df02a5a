#pragma once
// Questions to the user. The main window answers through message boxes; tests and camtrove-cli
// give their own answers, so no logic waits on a window.

#include <QString>

namespace camtrove::platform {

enum class PromptAnswer
{
    Yes,
    No,
    All, // yes, and do not ask again (the caller switches its confirmation off)
};

enum class PromptButtons
{
    YesNo,
    YesNoAll,
};

class Prompter
{
public:
    virtual ~Prompter() = default;
    [[nodiscard]] virtual PromptAnswer Ask(const QString& text, PromptButtons buttons) = 0;
    virtual void Inform(const QString& text) = 0;
};

} // namespace camtrove::platform
