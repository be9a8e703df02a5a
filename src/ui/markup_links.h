#pragma once
// The links of the markup and the hit test that maps a character position back to one.
//
// Positions here are those of the text as the control holds it: every visible character is one
// position, a line break included, as are the literal "<" characters shown from inside tags.

#include <QList>
#include <QString>

#include <optional>

namespace camtrove::ui {

enum class LinkKind
{
    Url,    // web address, "<url target>"
    Mail,   // mail address, "<mail target>"
    Custom, // "<link target>", handled by the owner
};

struct MarkupLink
{
    LinkKind kind = LinkKind::Url;
    QString target; // as written in the tag, trimmed
    int start = 0;  // first position of the link's text
    int end = 0;    // one past its last position

    friend bool operator==(const MarkupLink&, const MarkupLink&) = default;
};

// Every span the hit test can answer, in the order it tries them. Only the last opened link is
// remembered, so links do not nest, and a closing tag of another kind closes nothing. Links with
// an empty target are left out: they never raise a click.
[[nodiscard]] QList<MarkupLink> MarkupLinks(const QString& markup);

// The link at a position, or none when no link with a target covers it.
[[nodiscard]] std::optional<MarkupLink> MarkupLinkAt(const QString& markup, int position);

} // namespace camtrove::ui
