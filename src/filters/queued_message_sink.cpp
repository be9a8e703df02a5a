#include "filters/queued_message_sink.h"

#include <QMetaObject>

namespace camtrove::filters {

QueuedMessageSink::QueuedMessageSink(QObject* receiver, Handler handler)
    : m_receiver(receiver), m_handler(std::move(handler))
{
}

void QueuedMessageSink::PostWindowMessage(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam)
{
    QObject* receiver = m_receiver.data();
    if (!receiver || !m_handler)
        return;
    // The handler travels by value, so a message in the queue outlives this sink.
    QMetaObject::invokeMethod(
        receiver, [handler = m_handler, message, wParam, lParam] { handler(message, wParam, lParam); },
        Qt::QueuedConnection);
}

} // namespace camtrove::filters
