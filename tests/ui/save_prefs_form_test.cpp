#include "ui/link_edit.h"
#include "ui/save_prefs_form.h"
#include "widget_test_support.h"

#include <QPushButton>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>

namespace camtrove::ui {
namespace {

using settings::TSavePreferences;

// Runs action once the dialog's modal loop is running.
void WhenShown(std::function<void()> action)
{
    QTimer::singleShot(0, std::move(action));
}

struct ButtonCase
{
    const char* name;
    QPushButton* (TSavePrefsForm::*button)() const;
    const char* caption;
    const char* toolTip;
    TSavePreferences mode;
};

void PrintTo(const ButtonCase& c, std::ostream* os)
{
    *os << c.name;
}

class SavePrefsFormButtons : public ::testing::TestWithParam<ButtonCase>
{
protected:
    static void SetUpTestSuite() { testing::EnsureApplication(); }
};

TEST_P(SavePrefsFormButtons, EachButtonAnswersItsMode)
{
    const ButtonCase& c = GetParam();
    TSavePrefsForm form;
    QPushButton* button = (form.*c.button)();
    EXPECT_EQ(button->text(), QString::fromLatin1(c.caption));
    EXPECT_EQ(button->toolTip(), QString::fromLatin1(c.toolTip));
    EXPECT_EQ(button->objectName(), QString::fromLatin1(c.name));

    WhenShown([&] {
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Saving the preferences of Camtrove"));
        button->click();
    });
    EXPECT_EQ(form.AskSaveMode(QStringLiteral("Saving the preferences of Camtrove")), c.mode);
    EXPECT_TRUE(form.Answered());
    EXPECT_EQ(form.Mode(), c.mode);
    EXPECT_FALSE(form.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    QuitDialog, SavePrefsFormButtons,
    ::testing::Values(
        ButtonCase{"NormalBtn", &TSavePrefsForm::NormalBtn, "Normal",
                   "Save the Preferences in the registry.\nIf an ini file existed, it will be deleted.",
                   settings::spRegistre},
        ButtonCase{"PortableBtn", &TSavePrefsForm::PortableBtn, "Portable",
                   "Saves the preferences to an ini file.\nDeletes the preferences from the registry.",
                   settings::spPortable},
        ButtonCase{
            "AucunBtn", &TSavePrefsForm::AucunBtn, "None",
            "Exit without saving the preferences.\nIf they existed in an ini-file or in the registry,\n"
            "they will be deleted.",
            settings::spNone}),
    [](const auto& info) { return std::string(info.param.name); });

class SavePrefsFormTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { testing::EnsureApplication(); }
};

TEST_F(SavePrefsFormTest, ClosingWithoutAChoiceIsNoAnswerEvenAfterAnEarlierOne)
{
    TSavePrefsForm form;
    WhenShown([&] { form.PortableBtn()->click(); });
    ASSERT_EQ(form.AskSaveMode(QStringLiteral("first")), settings::spPortable);

    WhenShown([&] { form.close(); });
    EXPECT_EQ(form.AskSaveMode(QStringLiteral("second")), std::nullopt);
    EXPECT_FALSE(form.Answered());

    WhenShown([&] { form.reject(); });
    EXPECT_EQ(form.AskSaveMode(QStringLiteral("third")), std::nullopt);
}

TEST_F(SavePrefsFormTest, IsAFixedSizeDialogShowingTheQuestionAsMarkup)
{
    TSavePrefsForm form;
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const QString text = form.LinkEdit1()->RichText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("<br><size 10><i>Do you want to save your preferences")));
    EXPECT_TRUE(
        text.endsWith(QStringLiteral("the default values will be loaded on the next start.<br></size>")));
    const QString shown = form.LinkEdit1()->document()->toPlainText();
    EXPECT_TRUE(
        shown.contains(QStringLiteral("Click on your choice:\n\n* either to save them in the registry")));
    EXPECT_FALSE(shown.contains(u'<'));
}

} // namespace
} // namespace camtrove::ui
