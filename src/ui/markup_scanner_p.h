#pragma once
// The tag syntax of the markup, shared by rendering and the link hit test so that both walk the
// text the same way.

#include <QString>

namespace camtrove::ui::detail {

struct MarkupTag
{
    QString name;     // upper-cased
    QString argument; // trimmed, letter case as written
};

// Splits a tag's text at its first blank; both halves are trimmed.
[[nodiscard]] MarkupTag SplitTag(const QString& tagText);

// A line break: the whole tag text is "BR", or it begins with "BR " (letter case ignored).
[[nodiscard]] bool IsBreakTag(const QString& tagText);

// Walks the markup once. The visitor receives Character(QChar) for every character outside tags,
// LiteralLessThan() for every "<" met inside a tag (it shows as a "<" and is not part of the tag),
// and Tag(text, closed) at every ">" and, with closed false, at the end for a tag left open.
template <typename Visitor> void ScanMarkup(const QString& markup, Visitor& visitor)
{
    bool inTag = false;
    QString tagText;
    for (const QChar ch : markup) {
        if (!inTag) {
            if (ch == u'<') {
                inTag = true;
                tagText.clear();
            } else {
                visitor.Character(ch);
            }
        } else if (ch == u'<') {
            visitor.LiteralLessThan();
        } else if (ch == u'>') {
            inTag = false;
            visitor.Tag(tagText, true);
        } else {
            tagText.append(ch);
        }
    }
    if (inTag)
        visitor.Tag(tagText, false);
}

} // namespace camtrove::ui::detail
