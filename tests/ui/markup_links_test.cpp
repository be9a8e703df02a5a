#include "ui/markup_links.h"
#include "ui/markup_parser.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>

namespace camtrove::ui {
namespace {

struct HitCase
{
    const char* name;
    const char16_t* markup;
    int position;
    std::optional<LinkKind> kind; // no value: no link there
    const char16_t* target = u"";
};

void PrintTo(const HitCase& c, std::ostream* os)
{
    *os << c.name;
}

class LinkHitCases : public ::testing::TestWithParam<HitCase>
{
};

TEST_P(LinkHitCases, FindsTheLinkUnderThePosition)
{
    const HitCase& c = GetParam();
    const std::optional<MarkupLink> link = MarkupLinkAt(QString::fromUtf16(c.markup), c.position);
    ASSERT_EQ(link.has_value(), c.kind.has_value());
    if (link) {
        EXPECT_EQ(link->kind, *c.kind);
        EXPECT_EQ(link->target, QString::fromUtf16(c.target));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Markup, LinkHitCases,
    ::testing::Values(
        HitCase{"FirstCharacterOfAUrl", u"go <url http://x.org>here</url> now", 3, LinkKind::Url,
                u"http://x.org"},
        HitCase{"LastCharacterOfAUrl", u"go <url http://x.org>here</url> now", 6, LinkKind::Url,
                u"http://x.org"},
        HitCase{"JustBeforeTheLink", u"go <url http://x.org>here</url> now", 2, std::nullopt},
        HitCase{"JustAfterTheLink", u"go <url http://x.org>here</url> now", 7, std::nullopt},
        HitCase{"MailKind", u"an <mail me@x.org>e-mail</mail>", 4, LinkKind::Mail, u"me@x.org"},
        HitCase{"CustomKindKeepsTheTargetsLetterCase", u"or <link closeOptions>click here</link>.", 5,
                LinkKind::Custom, u"closeOptions"},
        HitCase{"TagNamesIgnoreCaseTargetsAreTrimmed", u"<URL   Http://Ex.org/A  >A</Url>", 0, LinkKind::Url,
                u"Http://Ex.org/A"},
        HitCase{"CloseOfAnotherKindMatchesNothing", u"<url u>ab<mail m>cd</url>", 1, std::nullopt},
        HitCase{"CloseOfAnotherKindMatchesNothingLater", u"<url u>ab<mail m>cd</url>", 2, std::nullopt},
        HitCase{"SecondOfTwoLinks", u"<url a>x</url> <link b>y</link>", 2, LinkKind::Custom, u"b"},
        HitCase{"BreakIsOnePosition", u"a<br>b<url u>c</url>", 3, LinkKind::Url, u"u"},
        HitCase{"BeforeTheLinkAfterABreak", u"a<br>b<url u>c</url>", 2, std::nullopt},
        HitCase{"LiteralLessThanIsOnePosition", u"<<>x<url u>y</url>", 2, LinkKind::Url, u"u"},
        HitCase{"LiteralLessThanDoesNotShiftTheLink", u"<<>x<url u>y</url>", 1, std::nullopt},
        HitCase{"EmptyTargetIsNoLink", u"<url>text</url>", 1, std::nullopt},
        HitCase{"EmptyLinkText", u"<url u></url>x", 0, std::nullopt},
        HitCase{"UnclosedCloseAtTheEndStillCloses", u"<link t>xy</link", 1, LinkKind::Custom, u"t"},
        HitCase{"UnclosedOpeningIsNoLink", u"xy<link t", 0, std::nullopt},
        HitCase{"NegativePosition", u"<url u>x</url>", -1, std::nullopt},
        HitCase{"EmptyMarkup", u"", 0, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// The hit test and the rendered text must point at the same characters: each link span, read from
// the visible text with every break folded to one position, is the text written between its tags.
TEST(MarkupLinks, SpansCoverTheirOwnTextInTheRenderedText)
{
    const QString markup = QStringLiteral(
        "<b><color navy>Camtrove</color></b> <<> ok<br><br><b>x</b><br center>You should send me an "
        "<mail support@x.org>e-mail</mail>, visit <url http://x.org>my web site</url><br>or "
        "<link closeAbout>click here</link>.");
    const ParsedMarkup parsed = ParseMarkup(markup, MarkupDefaults{});
    QString folded = parsed.visibleText;
    for (qsizetype i = parsed.breaks.size() - 1; i >= 0; --i)
        folded.replace(parsed.breaks[i], 2, QChar::ParagraphSeparator);

    const QList<MarkupLink> links = MarkupLinks(markup);
    ASSERT_EQ(links.size(), 3);
    const char16_t* texts[] = {u"e-mail", u"my web site", u"click here"};
    const LinkKind kinds[] = {LinkKind::Mail, LinkKind::Url, LinkKind::Custom};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(folded.mid(links[i].start, links[i].end - links[i].start), QString::fromUtf16(texts[i]));
        EXPECT_EQ(links[i].kind, kinds[i]);
    }
}

} // namespace
} // namespace camtrove::ui
