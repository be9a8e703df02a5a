#pragma once
// The markup of the system's panel texts, turned into what a text control shows: the visible text,
// runs of character attributes and the paragraph alignments. No widgets: TLinkEdit renders the
// result, and tests read it directly.
//
// Positions here are those of the visible text, where a line break is the two characters "\r\n".

#include "common/colors.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace camtrove::ui {

enum MarkupStyle : int
{
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};

enum class ParagraphAlignment
{
    Left,
    Right,
    Center,
};

// One set of character attributes. A size of 0 or less is what "<size x>" with a non-number gives;
// the renderer then keeps the control's own size.
struct TMarkupAttributes
{
    int style = 0; // MarkupStyle bits
    TColor color = clWindowText;
    int size = 8;
    QString fontName;

    friend bool operator==(const TMarkupAttributes&, const TMarkupAttributes&) = default;
};

// The control's own font, colour and alignment: where rendering starts and what the closing
// tags "/COLOR", "/SIZE", "/FONT" and a plain "BR" go back to.
struct MarkupDefaults
{
    TMarkupAttributes attributes;
    ParagraphAlignment alignment = ParagraphAlignment::Left;
    TColor urlColor = clNavy;
    TColor mailColor = clNavy;
    TColor linkColor = clNavy;
};

struct MarkupRun
{
    int start = 0;
    int length = 0;
    TMarkupAttributes attributes;

    friend bool operator==(const MarkupRun&, const MarkupRun&) = default;
};

struct ParsedMarkup
{
    QString visibleText;
    // Consecutive, covering visibleText; neighbours always differ.
    QList<MarkupRun> runs;
    // Where each "BR" tag put its "\r\n" in visibleText, in order. Other line-feed characters of
    // the visible text came from the markup itself.
    QList<int> breaks;
    // One per paragraph: the first, then one after each break.
    QList<ParagraphAlignment> paragraphAlignments;
};

[[nodiscard]] ParsedMarkup ParseMarkup(const QString& markup, const MarkupDefaults& defaults);

// The colour names of "<color name>" (upper-case); "BTNFACE" and "APPWORKSPACE" give system colours.
[[nodiscard]] std::optional<TColor> MarkupColor(const QString& upperName);

} // namespace camtrove::ui
