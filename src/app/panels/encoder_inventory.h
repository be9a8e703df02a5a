#pragma once
// Which optional encoders the system offers, as the settings panel finds them; the format list
// offers "divx" and "mp3" only when it does.

namespace camtrove::app {

class EncoderInventory
{
public:
    virtual ~EncoderInventory() = default;
    [[nodiscard]] virtual bool DivxEncoderFound() const = 0; // a DivX or Xvid video compressor
    [[nodiscard]] virtual bool Mp3EncoderFound() const = 0;  // the MP3 encoder filter
};

// Until codec discovery runs, no optional encoder is known.
class NoEncoders final : public EncoderInventory
{
public:
    [[nodiscard]] bool DivxEncoderFound() const override { return false; }
    [[nodiscard]] bool Mp3EncoderFound() const override { return false; }
};

} // namespace camtrove::app
