#include "filters/scene_detector.h"

#include "filters/dvcodes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace camtrove::filters {

SceneDetector::SceneDetector()
{
    Reset();
}

SceneDetector::FrameResult SceneDetector::ProcessFrame(std::span<const std::uint8_t> frame,
                                                       std::optional<std::int64_t> startTime)
{
    std::lock_guard lock(m_mutex);
    FrameResult result;
    m_previous = m_current;
    m_current.Processed = true;
    result.MediaStart = m_current.FrameCounter;
    result.MediaStop = std::int64_t(m_current.FrameCounter) + 1;

    DvReadSceneFrameInfo(frame, m_current);

    if (m_current.Wide != m_previous.Wide) {
        result.AspectChanged = true;
        result.Wide = m_current.Wide;
    }

    if (!m_current.DateValid && m_previous.DateValid && m_current.FrameCounter > 0) {
        NewScene();
    } else if (m_current.DateValid && !m_previous.DateValid) {
        const std::int64_t gap =
            std::int64_t(m_current.FrameCounter) - std::int64_t(m_sceneStart.FrameCounter);
        if (std::llabs(gap) > GapFrames)
            NewScene();
        m_lastDate = m_current.RecDate;
    } else if (m_current.DateValid && m_previous.DateValid) {
        if (m_haveLastDate && std::fabs(m_current.RecDate - m_lastDate) > DateJump)
            NewScene();
        m_lastDate = m_current.RecDate;
        m_haveLastDate = true;
    }

    ++m_current.FrameCounter;

    m_ringPos = (m_ringPos + 1) % kRingSize;
    RingSlot& slot = m_ring[m_ringPos];
    slot.Info = m_current;
    for (int k = 0; k < kKeptSequences; ++k) {
        std::uint8_t* out = slot.DvData.data() + k * kKeptBytesPerSequence;
        const std::size_t from = std::size_t(k) * kDvSequenceSize;
        const std::size_t available =
            frame.size() > from ? std::min<std::size_t>(frame.size() - from, kKeptBytesPerSequence) : 0;
        if (available > 0)
            std::memcpy(out, frame.data() + from, available);
        std::memset(out + available, 0xFF, kKeptBytesPerSequence - available);
    }
    slot.StartTime = startTime.value_or(m_lastStartTime);
    m_lastStartTime = slot.StartTime;

    if (m_firstFrame) {
        m_sceneStart = m_current;
        m_firstFrame = false;
    }
    return result;
}

void SceneDetector::NewScene()
{
    if (SceneCallback callback = m_callback.load())
        callback(&m_sceneStart, &m_current);
    m_sceneStart = m_current;
}

void SceneDetector::CloseLastScene()
{
    std::lock_guard lock(m_mutex);
    if (SceneCallback callback = m_callback.load())
        callback(&m_sceneStart, &m_current);
}

void SceneDetector::Reset()
{
    std::lock_guard lock(m_mutex);
    m_ringPos = 0;
    m_searchPos = 0;
    m_sceneStart.FrameCounter = 0;
    m_sceneStart.DateValid = false;
    m_sceneStart.TimecodeValid = false;
    m_sceneStart.DvComplete = false;
    m_firstFrame = true;
    m_current.FrameCounter = 0;
    m_current.DateValid = true;
    m_current.Wide = false;
    m_lastDate = 0;
    m_haveLastDate = false;
    m_lastStartTime = 0;
}

void SceneDetector::SetSceneCallback(SceneCallback callback)
{
    m_callback.store(callback);
}

SceneDetector::RingSlot SceneDetector::LookUp(std::int64_t time)
{
    std::lock_guard lock(m_mutex);
    int pos = (m_ringPos + 1) % kRingSize;
    for (int i = 0; i < kRingSize; ++i) {
        pos = (pos + kRingSize - 1) % kRingSize;
        if (m_ring[pos].StartTime <= time) {
            m_searchPos = pos;
            return m_ring[pos];
        }
    }
    m_searchPos = (m_ringPos + 1) % kRingSize;
    return m_ring[m_searchPos];
}

SceneDetector::RingSlot SceneDetector::SlotAtSearchPos() const
{
    std::lock_guard lock(m_mutex);
    return m_ring[m_searchPos];
}

int SceneDetector::RingPos() const
{
    std::lock_guard lock(m_mutex);
    return m_ringPos;
}

int SceneDetector::SearchPos() const
{
    std::lock_guard lock(m_mutex);
    return m_searchPos;
}

TSceneFrameInfo SceneDetector::Current() const
{
    std::lock_guard lock(m_mutex);
    return m_current;
}

TSceneFrameInfo SceneDetector::SceneStart() const
{
    std::lock_guard lock(m_mutex);
    return m_sceneStart;
}

} // namespace camtrove::filters
