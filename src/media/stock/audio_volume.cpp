#include "media/stock/audio_volume.h"

#include <algorithm>
#include <cmath>

namespace camtrove::media {

std::int32_t VolumeGainQ16(std::int32_t volume)
{
    const double level = std::clamp(volume, kVolumeSilent, kVolumeFull) / double(kVolumeFull);
    return static_cast<std::int32_t>(std::lround(level * level * level * 65536.0));
}

void ScalePcm(std::span<std::uint8_t> data, int bitsPerSample, std::int32_t gainQ16)
{
    if (gainQ16 >= 65536)
        return;
    if (bitsPerSample == 16) {
        for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
            const auto sample = static_cast<std::int16_t>(data[i] | data[i + 1] << 8);
            const auto scaled = static_cast<std::int16_t>((std::int32_t{sample} * gainQ16) / 65536);
            const auto bits = static_cast<std::uint16_t>(scaled);
            data[i] = static_cast<std::uint8_t>(bits & 0xFF);
            data[i + 1] = static_cast<std::uint8_t>(bits >> 8);
        }
    } else if (bitsPerSample == 8) {
        for (std::uint8_t& sample : data)
            sample = static_cast<std::uint8_t>(128 + ((std::int32_t{sample} - 128) * gainQ16) / 65536);
    }
}

} // namespace camtrove::media
