#include "ui/message_box_prompter.h"
#include "widget_test_support.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <ostream>

namespace camtrove::ui {
namespace {

using platform::PromptAnswer;
using platform::PromptButtons;

struct PromptCase
{
    const char* name;
    PromptButtons buttons;
    const char* press; // a button caption without its mnemonic, or "Escape"
    PromptAnswer answer;
};

void PrintTo(const PromptCase& c, std::ostream* os)
{
    *os << c.name;
}

class MessageBoxPrompterCases : public ::testing::TestWithParam<PromptCase>
{
protected:
    static void SetUpTestSuite() { testing::EnsureApplication(); }
};

QStringList Captions(const QMessageBox& box)
{
    QStringList captions;
    for (const QAbstractButton* button : box.buttons())
        captions.append(button->text().remove(u'&'));
    captions.sort();
    return captions;
}

TEST_P(MessageBoxPrompterCases, AnswersThePressedButton)
{
    const PromptCase& c = GetParam();
    QStringList captions;
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        captions = Captions(*box);
        text = box->text();
        if (QString::fromLatin1(c.press) == u"Escape") {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* button : box->buttons()) {
            if (button->text().remove(u'&') == QString::fromLatin1(c.press))
                button->click();
        }
    });
    MessageBoxPrompter prompter;
    EXPECT_EQ(prompter.Ask(QStringLiteral("Replace the file?"), c.buttons), c.answer);
    EXPECT_EQ(text, QStringLiteral("Replace the file?"));
    const QStringList expected =
        c.buttons == PromptButtons::YesNoAll
            ? QStringList{QStringLiteral("All"), QStringLiteral("No"), QStringLiteral("Yes")}
            : QStringList{QStringLiteral("No"), QStringLiteral("Yes")};
    EXPECT_EQ(captions, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Prompts, MessageBoxPrompterCases,
    ::testing::Values(PromptCase{"YesNoYes", PromptButtons::YesNo, "Yes", PromptAnswer::Yes},
                      PromptCase{"YesNoNo", PromptButtons::YesNo, "No", PromptAnswer::No},
                      PromptCase{"YesNoEscape", PromptButtons::YesNo, "Escape", PromptAnswer::No},
                      PromptCase{"YesNoAllYes", PromptButtons::YesNoAll, "Yes", PromptAnswer::Yes},
                      PromptCase{"YesNoAllAll", PromptButtons::YesNoAll, "All", PromptAnswer::All},
                      PromptCase{"YesNoAllEscape", PromptButtons::YesNoAll, "Escape", PromptAnswer::No}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MessageBoxPrompter, InformShowsTheTextUntilClosed)
{
    testing::EnsureApplication();
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    MessageBoxPrompter prompter;
    prompter.Inform(QStringLiteral("The folder was created."));
    EXPECT_EQ(text, QStringLiteral("The folder was created."));
}

} // namespace
} // namespace camtrove::ui
