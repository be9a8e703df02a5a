#pragma once
// The window-message sink that the main window hands to the filters: a message posted on a
// streaming thread is queued into the event loop of the receiver's thread and handled there, in
// the order posted. Posting never waits for that thread.

#include "filters/window_messages.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace camtrove::filters {

class QueuedMessageSink final : public WindowMessageSink
{
public:
    using Handler = std::function<void(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam)>;

    // handler runs on receiver's thread; messages still queued when receiver goes are dropped.
    QueuedMessageSink(QObject* receiver, Handler handler);

    void PostWindowMessage(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam) override;

private:
    QPointer<QObject> m_receiver;
    Handler m_handler;
};

} // namespace camtrove::filters
