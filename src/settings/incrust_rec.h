#pragma once
// The inlay settings as stored: a font description and the inlay record that holds it.

#include "common/colors.h"

#include <QString>

#include <cstdint>

namespace camtrove::settings {

struct TfontRecord
{
    QString FontName;
    std::int32_t FontSize = 0;   // points
    std::uint32_t FontColor = 0; // 0x00BBGGRR
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    bool operator==(const TfontRecord&) const = default;
};

struct TincrustRec
{
    QString Incrust1;
    QString Incrust2;
    QString FormatDate1;
    QString FormatDate2;
    double DecalageHoraire = 0.0; // a date-time difference
    TfontRecord FontRec;
    bool Autofontsize = false;
    std::int32_t BorderSize = 0;
    std::uint8_t WhatIncrust = 0;
    std::uint8_t Alignment = 0;
    std::uint32_t BorderColor = 0;
    std::int32_t Xpos = 0;
    std::int32_t Ypos = 0;
    bool operator==(const TincrustRec&) const = default;
};

// The sub-keys under which the fields are stored, in field order.
namespace incrust_keys {
inline constexpr auto Incrust1 = u"Incrust1";
inline constexpr auto Incrust2 = u"Incrust2";
inline constexpr auto FormatDate1 = u"FormatDate1";
inline constexpr auto FormatDate2 = u"FormatDate2";
inline constexpr auto DecalageHoraire = u"Decalage Horaire";
inline constexpr auto FontRec = u"FontRec";
inline constexpr auto Autofontsize = u"Autofontsize";
inline constexpr auto BorderSize = u"BorderSize";
inline constexpr auto WhatIncrust = u"What Incrust";
inline constexpr auto Alignment = u"Alignment";
inline constexpr auto BorderColor = u"BorderColor";
inline constexpr auto Xpos = u"Xpos";
inline constexpr auto Ypos = u"Ypos";
inline constexpr auto FontName = u"FontName";
inline constexpr auto FontSize = u"FontSize";
inline constexpr auto FontColor = u"FontColor";
inline constexpr auto FontBold = u"FontBold";
inline constexpr auto FontItalic = u"FontItalic";
inline constexpr auto FontUnderline = u"FontUnderline";
inline constexpr auto FontStrikeOut = u"FontStrikeOut";
} // namespace incrust_keys

} // namespace camtrove::settings
