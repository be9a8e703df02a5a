#pragma once
// The inlay settings as stored: the record (a plain type of the bottom layer, so that the inlay
// filter can take it) and the sub-keys of its fields.

#include "common/incrust_rec.h"

namespace camtrove::settings {

using camtrove::TfontRecord;
using camtrove::TincrustRec;

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
