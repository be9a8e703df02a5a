#include "graph/camcorder_window.h"

namespace camtrove::graph {

using namespace media;

void TCamcorderWindow::Attach(const QString& caption, ComPtr<IAMExtTransport> transport,
                              ComPtr<IAMTimecodeReader> timecodeReader)
{
    Caption = caption;
    Transport = std::move(transport);
    TimecodeReader = std::move(timecodeReader);
    HasTimecodeReader = static_cast<bool>(TimecodeReader);
    if (WishedVisible)
        Visible = true;
}

void TCamcorderWindow::Release()
{
    if (Transport && StopOnQuit)
        (void)Transport->put_Mode(ED_MODE_STOP);
    Transport.Reset();
    TimecodeReader.Reset();
    HasTimecodeReader = false;
    Visible = false;
}

} // namespace camtrove::graph
