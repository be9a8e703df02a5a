#pragma once
// Colour values 0x00BBGGRR; a top byte of 0xFF names a system colour whose index is the low byte.

#include <cstdint>

namespace camtrove {

using TColor = std::uint32_t;

[[nodiscard]] constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return TColor(r) | TColor(g) << 8 | TColor(b) << 16;
}
[[nodiscard]] constexpr std::uint8_t GetRValue(TColor c)
{
    return c & 0xFF;
}
[[nodiscard]] constexpr std::uint8_t GetGValue(TColor c)
{
    return (c >> 8) & 0xFF;
}
[[nodiscard]] constexpr std::uint8_t GetBValue(TColor c)
{
    return (c >> 16) & 0xFF;
}
[[nodiscard]] constexpr bool IsSystemColor(TColor c)
{
    return (c >> 24) == 0xFF;
}
[[nodiscard]] constexpr int SystemColorIndex(TColor c)
{
    return int(c & 0xFF);
}

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 12639424;
inline constexpr TColor clSkyBlue = 15780518;
inline constexpr TColor clCream = 15793151;

// System colours (index in the low byte).
inline constexpr TColor clScrollBar = 0xFF000000;
inline constexpr TColor clBackground = 0xFF000001;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clAppWorkSpace = 0xFF00000C;
inline constexpr TColor clHighlight = 0xFF00000D;
inline constexpr TColor clHighlightText = 0xFF00000E;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clBtnShadow = 0xFF000010;
inline constexpr TColor clGrayText = 0xFF000011;
inline constexpr TColor clBtnText = 0xFF000012;
inline constexpr TColor clInfoText = 0xFF000017;
inline constexpr TColor clInfoBk = 0xFF000018;

} // namespace camtrove
