#pragma once
// TLinkEdit: a read-only rich-text label whose content is one markup string (bold, italic,
// underline, strike-out, colours, sizes, fonts, aligned line breaks and three kinds of links).
// Clicking a link raises the click signal of its kind with the target; the control opens nothing
// itself. Moving over a link shows the hand pointer and, when a hint handler of the kind is set,
// its text as the tooltip. UI thread only.

#include "common/colors.h"
#include "ui/markup_links.h"
#include "ui/markup_parser.h"

#include <QTextEdit>

#include <functional>
#include <optional>

namespace camtrove::ui {

class TLinkEdit : public QTextEdit
{
    Q_OBJECT

public:
    // Returns the hint shown over a link; receives the link's target.
    using HintHandler = std::function<QString(const QString& target)>;

    explicit TLinkEdit(QWidget* parent = nullptr);

    [[nodiscard]] const QString& RichText() const { return m_richText; }
    void SetRichText(const QString& markup);

    [[nodiscard]] TColor UrlColor() const { return m_urlColor; }
    [[nodiscard]] TColor MailColor() const { return m_mailColor; }
    [[nodiscard]] TColor LinkColor() const { return m_linkColor; }
    void SetUrlColor(TColor color);
    void SetMailColor(TColor color);
    void SetLinkColor(TColor color);

    // The control's own text colour and paragraph alignment, which the markup starts from and
    // returns to; its font is the widget's font.
    [[nodiscard]] TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor color);
    [[nodiscard]] ParagraphAlignment Alignment() const { return m_alignment; }
    void SetAlignment(ParagraphAlignment alignment);

    [[nodiscard]] bool UseInternalCursor() const { return m_useInternalCursor; }
    void SetUseInternalCursor(bool use) { m_useInternalCursor = use; }

    void SetOnUrlHint(HintHandler handler) { m_urlHint = std::move(handler); }
    void SetOnMailHint(HintHandler handler) { m_mailHint = std::move(handler); }
    void SetOnCustomLinkHint(HintHandler handler) { m_customLinkHint = std::move(handler); }

    // The hint of the link last moved over, and whether it is being offered as the tooltip.
    [[nodiscard]] const QString& Hint() const { return m_hint; }
    [[nodiscard]] bool HintShown() const { return m_hintShown; }

    [[nodiscard]] const ParsedMarkup& Parsed() const { return m_parsed; }

    // The position of the character under a point of the viewport, or no value off the text.
    [[nodiscard]] std::optional<int> CharacterAt(QPoint viewportPoint) const;

signals:
    void OnUrlClick(const QString& target);
    void OnMailClick(const QString& target);
    void OnCustomLinkClick(const QString& target);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Render();
    [[nodiscard]] MarkupDefaults Defaults() const;
    [[nodiscard]] const HintHandler& HintFor(LinkKind kind) const;
    [[nodiscard]] std::optional<MarkupLink> LinkAt(QPoint viewportPoint) const;

    QString m_richText;
    ParsedMarkup m_parsed;
    TColor m_urlColor = clNavy;
    TColor m_mailColor = clNavy;
    TColor m_linkColor = clNavy;
    TColor m_fontColor = clWindowText;
    ParagraphAlignment m_alignment = ParagraphAlignment::Left;
    bool m_useInternalCursor = true;
    HintHandler m_urlHint;
    HintHandler m_mailHint;
    HintHandler m_customLinkHint;
    QString m_hint;
    bool m_hintShown = false;
    bool m_rendering = false;
};

} // namespace camtrove::ui
