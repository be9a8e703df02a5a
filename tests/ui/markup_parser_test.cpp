#include "ui/markup_parser.h"

#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace camtrove::ui {

void PrintTo(const MarkupRun& run, std::ostream* os)
{
    *os << "{" << run.start << "+" << run.length << " style " << run.attributes.style << " color 0x"
        << std::hex << run.attributes.color << std::dec << " size " << run.attributes.size << " font "
        << run.attributes.fontName.toStdString() << "}";
}

namespace {

constexpr TColor kText = clBlack;
constexpr TColor kUrl = clBlue;
constexpr TColor kMail = clGreen;
constexpr TColor kLink = clMaroon;

MarkupDefaults TestDefaults()
{
    MarkupDefaults defaults;
    defaults.attributes = {0, kText, 8, QStringLiteral("Sans")};
    defaults.alignment = ParagraphAlignment::Left;
    defaults.urlColor = kUrl;
    defaults.mailColor = kMail;
    defaults.linkColor = kLink;
    return defaults;
}

TMarkupAttributes Attr(int style = 0, TColor color = kText, int size = 8, const char* font = "Sans")
{
    return {style, color, size, QString::fromLatin1(font)};
}

using A = ParagraphAlignment;

struct ParseCase
{
    const char* name;
    const char16_t* markup;
    const char16_t* visible;
    std::vector<MarkupRun> runs;
    std::vector<ParagraphAlignment> alignments{A::Left};
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << c.name;
}

class ParseMarkupCases : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseMarkupCases, GivesTheVisibleTextRunsAndParagraphs)
{
    const ParseCase& c = GetParam();
    const ParsedMarkup parsed = ParseMarkup(QString::fromUtf16(c.markup), TestDefaults());
    EXPECT_EQ(parsed.visibleText, QString::fromUtf16(c.visible));
    EXPECT_EQ(std::vector<MarkupRun>(parsed.runs.begin(), parsed.runs.end()), c.runs);
    EXPECT_EQ(
        std::vector<ParagraphAlignment>(parsed.paragraphAlignments.begin(), parsed.paragraphAlignments.end()),
        c.alignments);
}

INSTANTIATE_TEST_SUITE_P(
    Markup, ParseMarkupCases,
    ::testing::Values(
        ParseCase{"Empty", u"", u"", {}},
        ParseCase{"PlainText", u"plain words", u"plain words", {{0, 11, Attr()}}},
        ParseCase{"OnlyTheTaggedWordIsBold",
                  u"<b>word</b> plain words",
                  u"word plain words",
                  {{0, 4, Attr(fsBold)}, {4, 12, Attr()}}},
        ParseCase{"TagNamesIgnoreLetterCase",
                  u"<B>x</b><I>y</I><u>z</U><S>w</s>",
                  u"xyzw",
                  {{0, 1, Attr(fsBold)},
                   {1, 1, Attr(fsItalic)},
                   {2, 1, Attr(fsUnderline)},
                   {3, 1, Attr(fsStrikeOut)}}},
        ParseCase{"NestedStylesCloseIndependently",
                  u"<b><i>x</b>y</i>z",
                  u"xyz",
                  {{0, 1, Attr(fsBold | fsItalic)}, {1, 1, Attr(fsItalic)}, {2, 1, Attr()}}},
        ParseCase{"UnknownTagsVanishAndDoNothing", u"a<blink>b</blink><>c", u"abc", {{0, 3, Attr()}}},
        ParseCase{"CenteredBreakMakesTwoLines",
                  u"one<br center>two",
                  u"one\r\ntwo",
                  {{0, 8, Attr()}},
                  {A::Left, A::Center}},
        ParseCase{"BreakArgumentsSetEachParagraph",
                  u"a<BR Right>b<Br left>c<br middle>d<bR>e",
                  u"a\r\nb\r\nc\r\nd\r\ne",
                  {{0, 13, Attr()}},
                  {A::Left, A::Right, A::Left, A::Left, A::Left}},
        ParseCase{
            "BreakWithTrailingBlankCounts", u"a<br >b", u"a\r\nb", {{0, 4, Attr()}}, {A::Left, A::Left}},
        ParseCase{"BlankBeforeBrIsNoBreak", u"a< br>b", u"ab", {{0, 2, Attr()}}},
        ParseCase{"SizeAndBackToTheControlSize",
                  u"<size 14>big</size>small",
                  u"bigsmall",
                  {{0, 3, Attr(0, kText, 14)}, {3, 5, Attr()}}},
        ParseCase{"SizeThatIsNotANumberGivesZero", u"<size ten>x", u"x", {{0, 1, Attr(0, kText, 0)}}},
        ParseCase{"SizeInHex", u"<size $0c>x", u"x", {{0, 1, Attr(0, kText, 12)}}},
        ParseCase{"ColourAndBackToTheControlColour",
                  u"<color Red>r</COLOR>d",
                  u"rd",
                  {{0, 1, Attr(0, RGB(255, 0, 0))}, {1, 1, Attr()}}},
        ParseCase{"UnknownColourLeavesTheColour",
                  u"<color teal><color rose>x",
                  u"x",
                  {{0, 1, Attr(0, RGB(0, 128, 128))}}},
        ParseCase{"SystemColourName", u"<color btnface>x", u"x", {{0, 1, Attr(0, clBtnFace)}}},
        ParseCase{"FontNameIsUpperCased",
                  u"<font Liberation Serif>x</font>y",
                  u"xy",
                  {{0, 1, Attr(0, kText, 8, "LIBERATION SERIF")}, {1, 1, Attr()}}},
        ParseCase{"EachLinkKindHasItsColourAndUnderline",
                  u"<b><url http://x>u</url><mail a@b>m</mail><link go>l</link></b>",
                  u"uml",
                  {{0, 1, Attr(fsBold | fsUnderline, kUrl)},
                   {1, 1, Attr(fsBold | fsUnderline, kMail)},
                   {2, 1, Attr(fsBold | fsUnderline, kLink)}}},
        // Only one colour and style are saved: the inner link's save overwrites the outer's.
        ParseCase{"LinksDoNotNest",
                  u"<url u>a<mail m>b</mail>c</url>d",
                  u"abcd",
                  {{0, 1, Attr(fsUnderline, kUrl)},
                   {1, 1, Attr(fsUnderline, kMail)},
                   {2, 2, Attr(fsUnderline, kUrl)}}},
        ParseCase{"StrayLinkCloseRestoresTheDefaults",
                  u"<b>x</url>y",
                  u"xy",
                  {{0, 1, Attr(fsBold)}, {1, 1, Attr()}}},
        ParseCase{"LessThanInsideATagIsShown", u"a<<>b", u"a<b", {{0, 3, Attr()}}},
        ParseCase{"LessThanInsideATagTakesTheAttributesBeforeIt",
                  u"<b>a<<</b>c",
                  u"a<<c",
                  {{0, 3, Attr(fsBold)}, {3, 1, Attr()}}},
        ParseCase{"UnclosedTagShowsTheTextBeforeIt", u"shown<b", u"shown", {{0, 5, Attr()}}},
        ParseCase{"UnclosedBreakAddsNoLine", u"shown<br", u"shown", {{0, 5, Attr()}}},
        ParseCase{"CloseBeforeAnyTag", u"lone >", u"lone >", {{0, 6, Attr()}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseMarkup, BreaksAreRecordedWhereTheirLineFeedsAre)
{
    const ParsedMarkup parsed = ParseMarkup(QStringLiteral("<br>ab<br>\ncd"), TestDefaults());
    EXPECT_EQ(parsed.visibleText, QStringLiteral("\r\nab\r\n\ncd"));
    EXPECT_EQ(parsed.breaks, (QList<int>{0, 4}));
    EXPECT_EQ(parsed.paragraphAlignments.size(), 3);
}

TEST(ParseMarkup, StartsFromTheControlsOwnAttributes)
{
    MarkupDefaults defaults = TestDefaults();
    defaults.attributes = {fsBold | fsItalic, clMaroon, 8, QStringLiteral("Sans")};
    defaults.alignment = ParagraphAlignment::Right;
    const ParsedMarkup parsed = ParseMarkup(QStringLiteral("a</b>b<size 3>c</size><br x>d"), defaults);
    ASSERT_EQ(parsed.runs.size(), 4);
    EXPECT_EQ(parsed.runs[0], (MarkupRun{0, 1, defaults.attributes}));
    EXPECT_EQ(parsed.runs[1], (MarkupRun{1, 1, {fsItalic, clMaroon, 8, QStringLiteral("Sans")}}));
    EXPECT_EQ(parsed.runs[2], (MarkupRun{2, 1, {fsItalic, clMaroon, 3, QStringLiteral("Sans")}}));
    EXPECT_EQ(parsed.runs[3], (MarkupRun{3, 3, {fsItalic, clMaroon, 8, QStringLiteral("Sans")}}));
    EXPECT_EQ(parsed.paragraphAlignments, (QList<ParagraphAlignment>{A::Right, A::Right}));
}

TEST(ParseMarkup, QuitDialogText)
{
    const ParsedMarkup parsed =
        ParseMarkup(QStringLiteral("<br><size 10><i>Do you want?<br><br>Click:</i><br>* either.<br></size>"),
                    TestDefaults());
    EXPECT_EQ(parsed.visibleText, QStringLiteral("\r\nDo you want?\r\n\r\nClick:\r\n* either.\r\n"));
    ASSERT_EQ(parsed.runs.size(), 3);
    EXPECT_EQ(parsed.runs[0], (MarkupRun{0, 2, Attr()}));
    EXPECT_EQ(parsed.runs[1], (MarkupRun{2, 22, Attr(fsItalic, kText, 10)}));
    EXPECT_EQ(parsed.runs[2], (MarkupRun{24, 13, Attr(0, kText, 10)}));
}

TEST(MarkupColor, NamesTheTableColours)
{
    EXPECT_EQ(MarkupColor(QStringLiteral("NAVY")), RGB(0, 0, 128));
    EXPECT_EQ(MarkupColor(QStringLiteral("MEDGRAY")), RGB(160, 160, 164));
    EXPECT_EQ(MarkupColor(QStringLiteral("MONEYGREEN")), RGB(192, 220, 192));
    EXPECT_EQ(MarkupColor(QStringLiteral("CREAM")), RGB(255, 251, 240));
    EXPECT_EQ(MarkupColor(QStringLiteral("SKYBLUE")), RGB(166, 202, 240));
    EXPECT_EQ(MarkupColor(QStringLiteral("APPWORKSPACE")), clAppWorkSpace);
    EXPECT_FALSE(MarkupColor(QStringLiteral("navy")).has_value());
    EXPECT_FALSE(MarkupColor(QString()).has_value());
}

} // namespace
} // namespace camtrove::ui
