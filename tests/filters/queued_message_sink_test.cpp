#include "filters/queued_message_sink.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <tuple>
#include <vector>

namespace camtrove::filters {
namespace {

using Message = std::tuple<std::uint32_t, std::intptr_t, std::intptr_t>;

TEST(QueuedMessageSink, DeliversOnTheReceiversThreadInOrderOnlyFromItsEventLoop)
{
    QObject window;
    std::vector<Message> handled;
    std::vector<bool> onWindowThread;
    auto sink =
        std::make_unique<QueuedMessageSink>(&window, [&](std::uint32_t m, std::intptr_t w, std::intptr_t l) {
            handled.emplace_back(m, w, l);
            onWindowThread.push_back(QThread::currentThread() == window.thread());
        });

    std::thread streaming([&] {
        sink->PostWindowMessage(WM_INTERVALOCOUNTDOWN, 3, 0);
        sink->PostWindowMessage(WM_IMAGEGRABBED, 0, 7);
        sink->PostWindowMessage(WM_DVASPECT, 1, 1);
    });
    streaming.join();
    EXPECT_TRUE(handled.empty()); // posted, not sent
    sink.reset();                 // queued messages outlive the sink

    QCoreApplication::processEvents();
    EXPECT_EQ(handled, (std::vector<Message>{
                           {WM_INTERVALOCOUNTDOWN, 3, 0}, {WM_IMAGEGRABBED, 0, 7}, {WM_DVASPECT, 1, 1}}));
    EXPECT_EQ(onWindowThread, (std::vector<bool>{true, true, true}));
}

TEST(QueuedMessageSink, DropsMessagesOnceTheReceiverIsGone)
{
    int handled = 0;
    auto window = std::make_unique<QObject>();
    QueuedMessageSink sink(window.get(), [&](std::uint32_t, std::intptr_t, std::intptr_t) { ++handled; });
    sink.PostWindowMessage(WM_DVASPECT, 1, 0);
    window.reset();
    sink.PostWindowMessage(WM_DVASPECT, 1, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 0);
}

} // namespace
} // namespace camtrove::filters
