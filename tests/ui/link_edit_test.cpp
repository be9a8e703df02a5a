#include "ui/link_edit.h"
#include "widget_test_support.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace camtrove::ui {
namespace {

class LinkEditTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { testing::EnsureApplication(); }

    void SetUp() override
    {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSize(9);
        m_edit.setFont(font);
        m_edit.resize(600, 200);
    }

    // The format of the character at a document position.
    QTextCharFormat FormatAt(int position) const
    {
        const QTextBlock block = m_edit.document()->findBlock(position);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (position >= fragment.position() && position < fragment.position() + fragment.length())
                return fragment.charFormat();
        }
        ADD_FAILURE() << "no character at " << position;
        return {};
    }

    // The middle of the character at a document position, in viewport coordinates.
    QPoint PointOf(int position) const
    {
        QTextCursor cursor(m_edit.document());
        cursor.setPosition(position);
        const QRect before = m_edit.cursorRect(cursor);
        cursor.setPosition(position + 1);
        const QRect after = m_edit.cursorRect(cursor);
        return {(before.left() + after.left()) / 2, before.center().y()};
    }

    void Show()
    {
        m_edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_edit));
    }

    TLinkEdit m_edit;
};

TEST_F(LinkEditTest, RendersBoldColoursSizesAlignmentAndLinkAnchors)
{
    m_edit.SetMailColor(clPurple);
    m_edit.SetRichText(QStringLiteral(
        "<b>Bold</b> <color red>red</color> <size 14>big</size><br center><url http://x.org>site</url> "
        "<mail me@x.org>mail</mail> <link go>link</link> <size x>z"));
    const QTextDocument* doc = m_edit.document();
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("Bold red big\nsite mail link z"));
    ASSERT_EQ(doc->blockCount(), 2);
    EXPECT_EQ(doc->firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(doc->lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    EXPECT_EQ(FormatAt(0).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(4).fontWeight(), QFont::Normal);
    EXPECT_EQ(FormatAt(5).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatAt(0).fontPointSize(), 9);
    EXPECT_EQ(FormatAt(9).fontPointSize(), 14);
    EXPECT_EQ(FormatAt(4).anchorHref(), QString());

    struct Link
    {
        int position;
        const char* href;
        QColor color;
    };
    const Link links[] = {{13, "http://x.org", QColor(0, 0, 128)},
                          {18, "me@x.org", QColor(128, 0, 128)},
                          {23, "go", QColor(0, 0, 128)}};
    for (const Link& link : links) {
        const QTextCharFormat format = FormatAt(link.position);
        EXPECT_TRUE(format.isAnchor()) << link.href;
        EXPECT_EQ(format.anchorHref(), QString::fromLatin1(link.href));
        EXPECT_EQ(format.foreground().color(), link.color) << link.href;
        EXPECT_TRUE(format.fontUnderline()) << link.href;
    }
    EXPECT_FALSE(FormatAt(17).fontUnderline());
    // "<size x>" gives size 0, which is drawn in the control's own size.
    EXPECT_EQ(FormatAt(28).fontPointSize(), 9);
}

TEST_F(LinkEditTest, StartsFromItsOwnFontAndColour)
{
    QFont font = m_edit.font();
    font.setBold(true);
    font.setItalic(true);
    m_edit.setFont(font);
    m_edit.SetFontColor(clMaroon);
    m_edit.SetRichText(QStringLiteral("<color lime>a</color></b>b"));
    EXPECT_EQ(FormatAt(0).foreground().color(), QColor(0, 255, 0));
    EXPECT_EQ(FormatAt(0).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(1).foreground().color(), QColor(128, 0, 0));
    EXPECT_EQ(FormatAt(1).fontWeight(), QFont::Normal);
    EXPECT_TRUE(FormatAt(1).fontItalic());
}

TEST_F(LinkEditTest, EmptyMarkupEmptiesTheControl)
{
    m_edit.SetRichText(QStringLiteral("<b>old</b>"));
    m_edit.SetRichText(QString());
    EXPECT_TRUE(m_edit.document()->isEmpty());
    EXPECT_TRUE(m_edit.Parsed().runs.isEmpty());
}

TEST_F(LinkEditTest, ClickOnALinkRaisesTheEventOfItsKind)
{
    // A break and a literal "<" before the links: the click must still land on the right target.
    m_edit.SetRichText(QStringLiteral(
        "Top<br><<> <url http://x.org>site</url> <mail me@x.org>mail</mail> <link closeAbout>here</link>"));
    Show();
    QSignalSpy urls(&m_edit, &TLinkEdit::OnUrlClick);
    QSignalSpy mails(&m_edit, &TLinkEdit::OnMailClick);
    QSignalSpy customs(&m_edit, &TLinkEdit::OnCustomLinkClick);

    // Document: "Top" 0-2, break 3, "<" 4, " " 5, "site" 6-9, " " 10, "mail" 11-14, " " 15, "here" 16-19.
    QTest::mouseClick(m_edit.viewport(), Qt::LeftButton, {}, PointOf(5));
    EXPECT_EQ(urls.count() + mails.count() + customs.count(), 0);

    QTest::mouseClick(m_edit.viewport(), Qt::LeftButton, {}, PointOf(9));
    ASSERT_EQ(urls.count(), 1);
    EXPECT_EQ(urls.at(0).at(0).toString(), QStringLiteral("http://x.org"));

    QTest::mouseClick(m_edit.viewport(), Qt::LeftButton, {}, PointOf(11));
    ASSERT_EQ(mails.count(), 1);
    EXPECT_EQ(mails.at(0).at(0).toString(), QStringLiteral("me@x.org"));

    QTest::mouseClick(m_edit.viewport(), Qt::LeftButton, {}, PointOf(17));
    ASSERT_EQ(customs.count(), 1);
    EXPECT_EQ(customs.at(0).at(0).toString(), QStringLiteral("closeAbout"));

    QTest::mouseClick(m_edit.viewport(), Qt::LeftButton, {}, PointOf(17) + QPoint(300, 0));
    EXPECT_EQ(urls.count() + mails.count() + customs.count(), 3);
}

TEST_F(LinkEditTest, MovingOverALinkShowsItsHintAndTheHandPointer)
{
    m_edit.SetUseInternalCursor(false);
    m_edit.SetOnCustomLinkHint([](const QString& target) { return QStringLiteral("Go to ") + target; });
    m_edit.SetRichText(QStringLiteral("<url u>site</url> <link page>here</link>"));
    Show();

    QTest::mouseMove(m_edit.viewport(), PointOf(6));
    EXPECT_TRUE(m_edit.HintShown());
    EXPECT_EQ(m_edit.Hint(), QStringLiteral("Go to page"));
    EXPECT_EQ(m_edit.viewport()->cursor().shape(), Qt::PointingHandCursor);

    // No hint handler for web links and no internal cursor: nothing changes over them.
    QTest::mouseMove(m_edit.viewport(), PointOf(1));
    EXPECT_FALSE(m_edit.HintShown());
    EXPECT_NE(m_edit.viewport()->cursor().shape(), Qt::PointingHandCursor);

    m_edit.SetUseInternalCursor(true);
    QTest::mouseMove(m_edit.viewport(), PointOf(2));
    EXPECT_EQ(m_edit.viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(m_edit.viewport(), PointOf(4));
    EXPECT_EQ(m_edit.viewport()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(m_edit.HintShown());
}

} // namespace
} // namespace camtrove::ui
