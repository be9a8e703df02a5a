#include "ui/markup_links.h"

#include "ui/markup_scanner_p.h"

#include <optional>

namespace camtrove::ui {

namespace {

std::optional<LinkKind> OpeningKind(const QString& name)
{
    if (name == u"URL")
        return LinkKind::Url;
    if (name == u"MAIL")
        return LinkKind::Mail;
    if (name == u"LINK")
        return LinkKind::Custom;
    return std::nullopt;
}

std::optional<LinkKind> ClosingKind(const QString& name)
{
    if (!name.startsWith(u'/'))
        return std::nullopt;
    return OpeningKind(name.mid(1));
}

class LinkScanner
{
public:
    void Character(QChar) { ++m_count; }

    // The literal "<" is shown, so it takes a position like any visible character; counting it as
    // nothing would shift every later link one character away from its text.
    void LiteralLessThan() { ++m_count; }

    void Tag(const QString& tagText, bool closed)
    {
        if (closed && detail::IsBreakTag(tagText))
            ++m_count;
        const detail::MarkupTag tag = detail::SplitTag(tagText);
        if (const auto kind = OpeningKind(tag.name)) {
            m_open = MarkupLink{*kind, tag.argument, m_count, m_count};
        } else if (const auto closing = ClosingKind(tag.name)) {
            if (m_open && m_open->kind == *closing && !m_open->target.isEmpty() && m_count > m_open->start)
                m_links.append({m_open->kind, m_open->target, m_open->start, m_count});
        }
    }

    QList<MarkupLink> Take() && { return std::move(m_links); }

private:
    int m_count = 0;
    std::optional<MarkupLink> m_open;
    QList<MarkupLink> m_links;
};

} // namespace

QList<MarkupLink> MarkupLinks(const QString& markup)
{
    LinkScanner scanner;
    detail::ScanMarkup(markup, scanner);
    return std::move(scanner).Take();
}

std::optional<MarkupLink> MarkupLinkAt(const QString& markup, int position)
{
    for (const MarkupLink& link : MarkupLinks(markup)) {
        if (position >= link.start && position < link.end)
            return link;
    }
    return std::nullopt;
}

} // namespace camtrove::ui
