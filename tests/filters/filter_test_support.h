#pragma once
// Helpers for driving the application's filters directly: samples from a real allocator, and a
// message sink that records what a filter posts to the window.

#include "filters/window_messages.h"
#include "media/core/mem_allocator.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <span>
#include <tuple>
#include <vector>

namespace camtrove::filters::testing {

using Message = std::tuple<std::uint32_t, std::intptr_t, std::intptr_t>;

class RecordingMessageSink final : public WindowMessageSink
{
public:
    void PostWindowMessage(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.emplace_back(message, wParam, lParam);
    }
    std::vector<Message> Messages()
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    std::vector<Message> Take()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_messages, {});
    }

private:
    std::mutex m_mutex;
    std::vector<Message> m_messages;
};

// A committed allocator whose buffers the test fills and hands to Transform.
class SamplePool
{
public:
    SamplePool(std::int32_t bufferSize, std::int32_t count = 2) : m_allocator(media::MemAllocator::Create())
    {
        media::ALLOCATOR_PROPERTIES request{count, bufferSize, 1, 0};
        media::ALLOCATOR_PROPERTIES actual;
        EXPECT_EQ(m_allocator->SetProperties(request, &actual), S_OK);
        EXPECT_EQ(m_allocator->Commit(), S_OK);
    }

    // A buffer holding bytes, with start time `start` (none when negative) and a stop 40 ms later.
    media::ComPtr<media::IMediaSample> Take(std::span<const std::uint8_t> bytes,
                                            media::REFERENCE_TIME start = -1)
    {
        media::ComPtr<media::IMediaSample> sample;
        EXPECT_EQ(m_allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
        std::uint8_t* data = nullptr;
        EXPECT_EQ(sample->GetPointer(&data), S_OK);
        if (!bytes.empty())
            std::memcpy(data, bytes.data(), bytes.size());
        (void)sample->SetActualDataLength(std::int32_t(bytes.size()));
        if (start >= 0) {
            const media::REFERENCE_TIME stop = start + 400000;
            (void)sample->SetTime(&start, &stop);
        }
        return sample;
    }
    media::ComPtr<media::IMediaSample> Empty(std::int32_t length = 0)
    {
        return Take(std::vector<std::uint8_t>(std::size_t(length)));
    }

private:
    media::ComPtr<media::MemAllocator> m_allocator;
};

inline std::span<const std::uint8_t> SampleBytes(media::IMediaSample* sample)
{
    std::uint8_t* data = nullptr;
    (void)sample->GetPointer(&data);
    return {data, std::size_t(std::max(sample->GetActualDataLength(), 0))};
}

} // namespace camtrove::filters::testing
