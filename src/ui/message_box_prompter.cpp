#include "ui/message_box_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace camtrove::ui {

platform::PromptAnswer MessageBoxPrompter::Ask(const QString& text, platform::PromptButtons buttons)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    QPushButton* all = nullptr;
    if (buttons == platform::PromptButtons::YesNoAll)
        all = box.addButton(QStringLiteral("All"), QMessageBox::YesRole);
    box.setDefaultButton(QMessageBox::Yes);
    // Closing the box without a choice answers No: nothing is done that was not agreed to.
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    if (all && box.clickedButton() == all)
        return platform::PromptAnswer::All;
    if (box.clickedButton() == box.button(QMessageBox::Yes))
        return platform::PromptAnswer::Yes;
    return platform::PromptAnswer::No;
}

void MessageBoxPrompter::Inform(const QString& text)
{
    QMessageBox::information(m_parent, QApplication::applicationDisplayName(), text);
}

} // namespace camtrove::ui
