#include "ui/markup_parser.h"

#include "ui/markup_scanner_p.h"

#include <array>
#include <utility>

namespace camtrove::ui {

namespace detail {

MarkupTag SplitTag(const QString& tagText)
{
    const qsizetype blank = tagText.indexOf(u' ');
    if (blank < 0)
        return {tagText.trimmed().toUpper(), {}};
    return {tagText.left(blank).trimmed().toUpper(), tagText.mid(blank + 1).trimmed()};
}

bool IsBreakTag(const QString& tagText)
{
    const QString upper = tagText.toUpper();
    return upper == u"BR" || upper.startsWith(u"BR ");
}

} // namespace detail

namespace {

// The integer of "<size n>"; anything that is not one gives 0. Besides decimal, "$1A" is hex as
// the system's integer reader has it.
int SizeArgument(const QString& upperArgument)
{
    bool ok = false;
    int value = 0;
    if (upperArgument.startsWith(u'$'))
        value = upperArgument.mid(1).toInt(&ok, 16);
    else if (upperArgument.startsWith(u"0X"))
        value = upperArgument.mid(2).toInt(&ok, 16);
    else
        value = upperArgument.toInt(&ok, 10);
    return ok ? value : 0;
}

class Renderer
{
public:
    explicit Renderer(const MarkupDefaults& defaults)
        : m_defaults(defaults), m_working(defaults.attributes), m_alignment(defaults.alignment),
          m_savedColor(defaults.attributes.color), m_savedStyle(defaults.attributes.style)
    {
        m_result.paragraphAlignments.append(m_alignment);
    }

    void Character(QChar ch)
    {
        m_result.visibleText.append(ch);
        ++m_count;
    }

    void LiteralLessThan() { Character(u'<'); }

    void Tag(const QString& tagText, bool closed)
    {
        if (!closed) {
            // A tag left open at the end shows nothing; it still takes effect, after the last range.
            m_pending = tagText;
            return;
        }
        const bool isBreak = detail::IsBreakTag(tagText);
        if (isBreak) {
            m_result.breaks.append(m_count);
            m_result.visibleText.append(u"\r\n");
            m_count += 2;
        }
        Flush();
        Apply(detail::SplitTag(tagText), isBreak);
        if (isBreak)
            m_result.paragraphAlignments.append(m_alignment);
    }

    ParsedMarkup Finish() &&
    {
        Flush();
        if (m_pending)
            Apply(detail::SplitTag(*m_pending), false);
        return std::move(m_result);
    }

private:
    // Gives the range since the previous tag the working attributes.
    void Flush()
    {
        if (m_count == m_rangeStart)
            return;
        QList<MarkupRun>& runs = m_result.runs;
        if (!runs.isEmpty() && runs.last().attributes == m_working)
            runs.last().length += m_count - m_rangeStart;
        else
            runs.append({m_rangeStart, m_count - m_rangeStart, m_working});
        m_rangeStart = m_count;
    }

    void OpenLink(TColor color)
    {
        m_savedColor = m_working.color;
        m_savedStyle = m_working.style;
        m_working.color = color;
        m_working.style |= fsUnderline;
    }

    void Apply(const detail::MarkupTag& tag, bool isBreak)
    {
        static constexpr std::array<std::pair<const char16_t*, int>, 4> styles{
            {{u"B", fsBold}, {u"I", fsItalic}, {u"U", fsUnderline}, {u"S", fsStrikeOut}}};
        const QString& name = tag.name;
        const QString argument = tag.argument.toUpper();
        for (const auto& [styleName, bit] : styles) {
            if (name == styleName) {
                m_working.style |= bit;
                return;
            }
            if (name.size() == 2 && name[0] == u'/' && name.mid(1) == styleName) {
                m_working.style &= ~bit;
                return;
            }
        }
        if (name == u"COLOR") {
            if (const auto color = MarkupColor(argument))
                m_working.color = *color;
        } else if (name == u"/COLOR") {
            m_working.color = m_defaults.attributes.color;
        } else if (name == u"URL") {
            OpenLink(m_defaults.urlColor);
        } else if (name == u"MAIL") {
            OpenLink(m_defaults.mailColor);
        } else if (name == u"LINK") {
            OpenLink(m_defaults.linkColor);
        } else if (name == u"/URL" || name == u"/MAIL" || name == u"/LINK") {
            m_working.color = m_savedColor;
            m_working.style = m_savedStyle;
        } else if (name == u"SIZE") {
            m_working.size = SizeArgument(argument);
        } else if (name == u"/SIZE") {
            m_working.size = m_defaults.attributes.size;
        } else if (name == u"FONT") {
            m_working.fontName = argument;
        } else if (name == u"/FONT") {
            m_working.fontName = m_defaults.attributes.fontName;
        } else if (isBreak) {
            if (argument == u"LEFT")
                m_alignment = ParagraphAlignment::Left;
            else if (argument == u"RIGHT")
                m_alignment = ParagraphAlignment::Right;
            else if (argument == u"CENTER")
                m_alignment = ParagraphAlignment::Center;
            else
                m_alignment = m_defaults.alignment;
        }
    }

    const MarkupDefaults& m_defaults;
    TMarkupAttributes m_working;
    ParagraphAlignment m_alignment;
    TColor m_savedColor;
    int m_savedStyle;
    int m_count = 0;
    int m_rangeStart = 0;
    std::optional<QString> m_pending;
    ParsedMarkup m_result;
};

} // namespace

ParsedMarkup ParseMarkup(const QString& markup, const MarkupDefaults& defaults)
{
    Renderer renderer(defaults);
    detail::ScanMarkup(markup, renderer);
    return std::move(renderer).Finish();
}

std::optional<TColor> MarkupColor(const QString& upperName)
{
    static constexpr std::array<std::pair<const char16_t*, TColor>, 24> colors{{
        {u"RED", RGB(255, 0, 0)},         {u"GREEN", RGB(0, 128, 0)},
        {u"YELLOW", RGB(255, 255, 0)},    {u"BLUE", RGB(0, 0, 255)},
        {u"BLACK", RGB(0, 0, 0)},         {u"WHITE", RGB(255, 255, 255)},
        {u"AQUA", RGB(0, 255, 255)},      {u"DKGRAY", RGB(128, 128, 128)},
        {u"OLIVE", RGB(128, 128, 0)},     {u"PURPLE", RGB(128, 0, 128)},
        {u"FUCHSIA", RGB(255, 0, 255)},   {u"GRAY", RGB(128, 128, 128)},
        {u"LIME", RGB(0, 255, 0)},        {u"MAROON", RGB(128, 0, 0)},
        {u"NAVY", RGB(0, 0, 128)},        {u"LTGRAY", RGB(192, 192, 192)},
        {u"MEDGRAY", RGB(160, 160, 164)}, {u"SILVER", RGB(192, 192, 192)},
        {u"TEAL", RGB(0, 128, 128)},      {u"MONEYGREEN", RGB(192, 220, 192)},
        {u"CREAM", RGB(255, 251, 240)},   {u"SKYBLUE", RGB(166, 202, 240)},
        {u"BTNFACE", clBtnFace},          {u"APPWORKSPACE", clAppWorkSpace},
    }};
    for (const auto& [name, color] : colors) {
        if (upperName == name)
            return color;
    }
    return std::nullopt;
}

} // namespace camtrove::ui
