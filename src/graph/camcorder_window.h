#pragma once
// What a camcorder window shows and holds, without the window: the graph module hands a source's
// transport and timecode reader to one of two of these, and the camcorder windows bind to them.
// Control thread only.

#include "media/core/device_interfaces.h"

#include <QString>

namespace camtrove::graph {

class TCamcorderWindow
{
public:
    explicit TCamcorderWindow(int number) : Number(number) {}

    // Gives the window a device: caption, transport, timecode reader; shown when the user wishes.
    void Attach(const QString& caption, media::ComPtr<media::IAMExtTransport> transport,
                media::ComPtr<media::IAMTimecodeReader> timecodeReader);
    // Gives the device back: stops the tape when "Stop en quittant" is ticked, drops the
    // transport and the reader, hides the window.
    void Release();
    [[nodiscard]] bool HoldsTransport() const { return static_cast<bool>(Transport); }

    const int Number; // 1 or 2
    QString Caption;
    media::ComPtr<media::IAMExtTransport> Transport;
    media::ComPtr<media::IAMTimecodeReader> TimecodeReader;
    bool HasTimecodeReader = false;
    bool StopOnQuit = true;    // "Stop en quittant"
    bool WishedVisible = true; // "Show Video Pilot DV" / "Show Audio Pilot DV"
    bool Visible = false;
};

} // namespace camtrove::graph
