#pragma once
// The capture format codes: the 8-bit value stored under "Capture Format", the name shown in the
// format list and stored as text, the short name of the status bar and the file extension. Pure
// functions over a fixed table; any thread.

#include <QString>

#include <cstdint>

namespace camtrove::graph {

enum class CaptureFormat : std::uint8_t
{
    None = 0,
    DvType1Native = 1,
    DvType2Native = 2,
    Mpeg2Native = 3,
    Mpeg1Native = 4,
    AviNative = 5,
    DvType2Recomp = 6,
    Wmv = 7,
    ImageByImage = 8,
    Divx = 9,
    Default = 10,
    Wav = 11,
    Mp3 = 12
};

[[nodiscard]] constexpr std::uint8_t CodeOf(CaptureFormat format)
{
    return static_cast<std::uint8_t>(format);
}

// 0 gives the empty text, 1 to 9, 11 and 12 their names, any other code "Default".
[[nodiscard]] QString CaptureFormatName(std::uint8_t code);
// "None" gives 0, each name its code, any other text 10.
[[nodiscard]] std::uint8_t CaptureFormatCode(const QString& name);
// "native" for the device's own formats, "dv2 rec", "Wmv" ...; empty for 0, "Default" for unknown codes.
[[nodiscard]] QString CaptureFormatShortName(std::uint8_t code);
// With its dot: ".avi", ".mpg", ".wmv", ".wav", ".mp3"; ".avi" for codes without a file of their own.
[[nodiscard]] QString CaptureFormatExtension(std::uint8_t code);
// Codes 1 to 5: the formats a device delivers itself, offered only as its native formats.
[[nodiscard]] bool IsNativeCaptureFormat(std::uint8_t code);

} // namespace camtrove::graph
