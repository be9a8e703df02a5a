#pragma once
// Globally unique identifiers as the media framework publishes them: the 16-byte layout
// (Data1..Data4, little-endian on disk), parsed at compile time from their registry text form.

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace camtrove::media {

struct GUID
{
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4 = {};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);

namespace detail {
constexpr int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
constexpr std::uint64_t HexField(std::string_view text, std::size_t at, std::size_t digits)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int d = HexDigit(text[at + i]);
        if (d < 0)
            throw "not a hexadecimal digit"; // a compile-time error in constant evaluation
        value = value * 16 + static_cast<std::uint64_t>(d);
    }
    return value;
}
} // namespace detail

// "73646976-0000-0010-8000-00AA00389B71", with or without braces.
constexpr GUID MakeGuid(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        throw "malformed GUID text";
    GUID g;
    g.Data1 = static_cast<std::uint32_t>(detail::HexField(text, 0, 8));
    g.Data2 = static_cast<std::uint16_t>(detail::HexField(text, 9, 4));
    g.Data3 = static_cast<std::uint16_t>(detail::HexField(text, 14, 4));
    g.Data4[0] = static_cast<std::uint8_t>(detail::HexField(text, 19, 2));
    g.Data4[1] = static_cast<std::uint8_t>(detail::HexField(text, 21, 2));
    for (std::size_t i = 0; i < 6; ++i)
        g.Data4[2 + i] = static_cast<std::uint8_t>(detail::HexField(text, 24 + 2 * i, 2));
    return g;
}

// The media subtype of a FourCC code: {XXXXXXXX-0000-0010-8000-00AA00389B71}.
constexpr GUID FourCCGuid(std::uint32_t fourCC)
{
    GUID g = MakeGuid("00000000-0000-0010-8000-00AA00389B71");
    g.Data1 = fourCC;
    return g;
}

constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(a)) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(d)) << 24;
}

inline constexpr GUID GUID_NULL = {};

[[nodiscard]] constexpr bool IsNullGuid(const GUID& g)
{
    return g == GUID_NULL;
}

// "{73646976-0000-0010-8000-00AA00389B71}", the registry's form.
[[nodiscard]] QString GuidToString(const GUID& g);
[[nodiscard]] std::optional<GUID> GuidFromString(const QString& text);

// The 16 bytes as stored in files and format blocks.
[[nodiscard]] std::array<std::uint8_t, 16> GuidBytes(const GUID& g);

} // namespace camtrove::media

template <> struct std::hash<camtrove::media::GUID>
{
    std::size_t operator()(const camtrove::media::GUID& g) const noexcept
    {
        std::size_t h = g.Data1 ^ (std::size_t{g.Data2} << 16) ^ (std::size_t{g.Data3} << 32);
        for (auto b : g.Data4)
            h = h * 131 + b;
        return h;
    }
};
