#pragma once
// The Prompter of the windowed application: questions as message boxes with Yes and No, or Yes,
// No and "All" where a confirmation can be switched off.

#include "platform/prompter.h"

class QWidget;

namespace camtrove::ui {

class MessageBoxPrompter : public platform::Prompter
{
public:
    // The boxes are centred on parent (may be null) and captioned with the application's name.
    explicit MessageBoxPrompter(QWidget* parent = nullptr) : m_parent(parent) {}

    [[nodiscard]] platform::PromptAnswer Ask(const QString& text, platform::PromptButtons buttons) override;
    void Inform(const QString& text) override;

private:
    QWidget* m_parent;
};

} // namespace camtrove::ui
