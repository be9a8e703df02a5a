#include "ui/link_edit.h"

#include "ui/qt_colors.h"

#include <QAbstractTextDocumentLayout>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>

#include <algorithm>

namespace camtrove::ui {

namespace {

Qt::Alignment ToQtAlignment(ParagraphAlignment alignment)
{
    switch (alignment) {
    case ParagraphAlignment::Right:
        return Qt::AlignRight;
    case ParagraphAlignment::Center:
        return Qt::AlignHCenter;
    case ParagraphAlignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

QTextBlockFormat BlockFormat(ParagraphAlignment alignment)
{
    QTextBlockFormat format;
    format.setAlignment(ToQtAlignment(alignment));
    return format;
}

// Each line-feed character written in the markup itself is one position, as the hit test counts
// it; a Qt cursor would fold a "\r\n" pair into one.
QString WithOwnParagraphs(QString text)
{
    for (QChar& ch : text) {
        if (ch == u'\r' || ch == u'\n')
            ch = QChar::ParagraphSeparator;
    }
    return text;
}

} // namespace

TLinkEdit::TLinkEdit(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    viewport()->setMouseTracking(true);
}

void TLinkEdit::SetRichText(const QString& markup)
{
    m_richText = markup;
    Render();
}

void TLinkEdit::SetUrlColor(TColor color)
{
    m_urlColor = color;
    Render();
}

void TLinkEdit::SetMailColor(TColor color)
{
    m_mailColor = color;
    Render();
}

void TLinkEdit::SetLinkColor(TColor color)
{
    m_linkColor = color;
    Render();
}

void TLinkEdit::SetFontColor(TColor color)
{
    m_fontColor = color;
    Render();
}

void TLinkEdit::SetAlignment(ParagraphAlignment alignment)
{
    m_alignment = alignment;
    Render();
}

MarkupDefaults TLinkEdit::Defaults() const
{
    const QFont& own = font();
    MarkupDefaults defaults;
    TMarkupAttributes& attributes = defaults.attributes;
    attributes.style = (own.bold() ? fsBold : 0) | (own.italic() ? fsItalic : 0) |
                       (own.underline() ? fsUnderline : 0) | (own.strikeOut() ? fsStrikeOut : 0);
    attributes.color = m_fontColor;
    attributes.size = own.pointSize() > 0 ? own.pointSize() : 8;
    attributes.fontName = own.family();
    defaults.alignment = m_alignment;
    defaults.urlColor = m_urlColor;
    defaults.mailColor = m_mailColor;
    defaults.linkColor = m_linkColor;
    return defaults;
}

void TLinkEdit::Render()
{
    if (m_rendering)
        return;
    m_rendering = true;
    const MarkupDefaults defaults = Defaults();
    m_parsed = ParseMarkup(m_richText, defaults);

    const auto charFormat = [&](const TMarkupAttributes& attributes) {
        QTextCharFormat format;
        format.setFontWeight((attributes.style & fsBold) ? QFont::Bold : QFont::Normal);
        format.setFontItalic(attributes.style & fsItalic);
        format.setFontUnderline(attributes.style & fsUnderline);
        format.setFontStrikeOut(attributes.style & fsStrikeOut);
        format.setForeground(ToQColor(attributes.color, palette()));
        // "<size x>" with a non-number gives 0: the text keeps the control's size rather than vanishing.
        format.setFontPointSize(attributes.size > 0 ? attributes.size : defaults.attributes.size);
        format.setFontFamilies(
            QStringList{attributes.fontName.isEmpty() ? defaults.attributes.fontName : attributes.fontName});
        return format;
    };

    QTextDocument* doc = document();
    doc->clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cursor.setBlockFormat(BlockFormat(m_parsed.paragraphAlignments.value(0, m_alignment)));
    const QList<int>& breaks = m_parsed.breaks;
    qsizetype nextBreak = 0;
    for (const MarkupRun& run : m_parsed.runs) {
        const QTextCharFormat format = charFormat(run.attributes);
        if (cursor.atBlockStart())
            cursor.setBlockCharFormat(format);
        int position = run.start;
        const int end = run.start + run.length;
        while (position < end) {
            if (nextBreak < breaks.size() && breaks[nextBreak] == position) {
                ++nextBreak;
                cursor.insertBlock(BlockFormat(m_parsed.paragraphAlignments.value(nextBreak, m_alignment)),
                                   format);
                position += 2;
                continue;
            }
            const int stop = nextBreak < breaks.size() ? std::min(end, breaks[nextBreak]) : end;
            cursor.insertText(WithOwnParagraphs(m_parsed.visibleText.mid(position, stop - position)), format);
            position = stop;
        }
    }

    const int lastPosition = doc->characterCount() - 1;
    for (const MarkupLink& link : MarkupLinks(m_richText)) {
        QTextCursor span(doc);
        span.setPosition(std::min(link.start, lastPosition));
        span.setPosition(std::min(link.end, lastPosition), QTextCursor::KeepAnchor);
        QTextCharFormat anchor;
        anchor.setAnchor(true);
        anchor.setAnchorHref(link.target);
        span.mergeCharFormat(anchor);
    }
    cursor.endEditBlock();
    m_rendering = false;
}

std::optional<int> TLinkEdit::CharacterAt(QPoint viewportPoint) const
{
    const QPointF documentPoint =
        QPointF(viewportPoint) + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    // An exact hit answers the character under the point, not the nearest caret position.
    const int position = document()->documentLayout()->hitTest(documentPoint, Qt::ExactHit);
    if (position < 0)
        return std::nullopt;
    return position;
}

std::optional<MarkupLink> TLinkEdit::LinkAt(QPoint viewportPoint) const
{
    const std::optional<int> position = CharacterAt(viewportPoint);
    if (!position)
        return std::nullopt;
    return MarkupLinkAt(m_richText, *position);
}

const TLinkEdit::HintHandler& TLinkEdit::HintFor(LinkKind kind) const
{
    switch (kind) {
    case LinkKind::Mail:
        return m_mailHint;
    case LinkKind::Custom:
        return m_customLinkHint;
    case LinkKind::Url:
        break;
    }
    return m_urlHint;
}

void TLinkEdit::mouseMoveEvent(QMouseEvent* event)
{
    const std::optional<MarkupLink> link = LinkAt(event->position().toPoint());
    const HintHandler* hint = link ? &HintFor(link->kind) : nullptr;
    if (link && (m_useInternalCursor || (hint && *hint)))
        viewport()->setCursor(Qt::PointingHandCursor);
    else if (m_useInternalCursor)
        viewport()->setCursor(Qt::ArrowCursor);
    else
        viewport()->unsetCursor();

    if (hint && *hint) {
        m_hint = (*hint)(link->target);
        m_hintShown = true;
    } else {
        m_hintShown = false;
        QToolTip::hideText();
    }
    QTextEdit::mouseMoveEvent(event);
}

void TLinkEdit::mouseReleaseEvent(QMouseEvent* event)
{
    QTextEdit::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const std::optional<MarkupLink> link = LinkAt(event->position().toPoint());
    if (!link)
        return;
    switch (link->kind) {
    case LinkKind::Url:
        emit OnUrlClick(link->target);
        break;
    case LinkKind::Mail:
        emit OnMailClick(link->target);
        break;
    case LinkKind::Custom:
        emit OnCustomLinkClick(link->target);
        break;
    }
}

bool TLinkEdit::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (m_hintShown && !m_hint.isEmpty())
            QToolTip::showText(help->globalPos(), m_hint, viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return QTextEdit::viewportEvent(event);
}

void TLinkEdit::changeEvent(QEvent* event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        Render();
}

} // namespace camtrove::ui
