#pragma once
// TSavePrefsForm: the modal quit dialog asking where to save the preferences when no store is in
// use. Its three buttons each stand for a store mode; closing it without one is no answer, and the
// quit sequence then keeps the application running.

#include "settings/save_preferences.h"

#include <QDialog>

#include <optional>

class QPushButton;

namespace camtrove::ui {

class TLinkEdit;

class TSavePrefsForm : public QDialog, public settings::SaveModePrompt
{
    Q_OBJECT

public:
    explicit TSavePrefsForm(QWidget* parent = nullptr);

    // Shows the dialog modally under the given caption; the mode of the pressed button, or no
    // value when the dialog was closed without one.
    [[nodiscard]] std::optional<settings::TSavePreferences> AskSaveMode(const QString& caption) override;

    // The result of the last showing.
    [[nodiscard]] bool Answered() const { return m_answered; }
    [[nodiscard]] settings::TSavePreferences Mode() const { return m_mode; }

    [[nodiscard]] TLinkEdit* LinkEdit1() const { return m_linkEdit1; }
    [[nodiscard]] QPushButton* NormalBtn() const { return m_normalBtn; }
    [[nodiscard]] QPushButton* PortableBtn() const { return m_portableBtn; }
    [[nodiscard]] QPushButton* AucunBtn() const { return m_aucunBtn; }

private:
    QPushButton* AddModeButton(const char* objectName, const QString& caption, const QString& hint,
                               settings::TSavePreferences mode);
    void Choose(settings::TSavePreferences mode);

    TLinkEdit* m_linkEdit1 = nullptr;
    QPushButton* m_normalBtn = nullptr;
    QPushButton* m_portableBtn = nullptr;
    QPushButton* m_aucunBtn = nullptr;
    bool m_answered = false;
    settings::TSavePreferences m_mode = settings::spNone;
};

} // namespace camtrove::ui
