#pragma once
// Finding the optional encoders among the registered compressors: the DivX page's codec list (names
// that speak of DivX or Xvid), the codec it starts on, and the LAME MP3 encoder by its class.
// Control thread.

#include "app/panels/encoder_inventory.h"
#include "media/core/moniker_interfaces.h"

#include <QStringList>

namespace camtrove::app {

struct TDivxCodecList
{
    QStringList Names; // in enumeration order
    // Position in Names of the last Xvid codec, 0 when there is none: the choice without a
    // remembered favourite.
    int XvidPosition = 0;
};

// Keeps the names whose lower-case form contains "divx", or else "xvid".
[[nodiscard]] TDivxCodecList FilterDivxCodecs(const QStringList& compressorNames);
// The entry equal to favourite when the list holds it, else the Xvid position; -1 for an empty list.
[[nodiscard]] int ChooseDivxCodec(const TDivxCodecList& codecs, const QString& favourite);

// Friendly names of the video compressor category, in enumeration order.
[[nodiscard]] QStringList VideoCompressorNames(media::ICreateDevEnum* devices);
// The first video compressor of that friendly name; null when none.
[[nodiscard]] media::ComPtr<media::IMoniker> VideoCompressorNamed(media::ICreateDevEnum* devices,
                                                                  const QString& name);
// The LAME MP3 encoder, found by its class; null when it is not installed.
[[nodiscard]] media::ComPtr<media::IMoniker> LameMp3EncoderMoniker(media::ICreateDevEnum* devices);

// What one look at the compressor categories found; what camtrove-cli offers from.
class DiscoveredEncoders final : public EncoderInventory
{
public:
    DiscoveredEncoders() = default;
    DiscoveredEncoders(bool divx, bool mp3) : m_divx(divx), m_mp3(mp3) {}
    [[nodiscard]] static DiscoveredEncoders Discover(media::ICreateDevEnum* devices);

    [[nodiscard]] bool DivxEncoderFound() const override { return m_divx; }
    [[nodiscard]] bool Mp3EncoderFound() const override { return m_mp3; }

private:
    bool m_divx = false;
    bool m_mp3 = false;
};

} // namespace camtrove::app
