#pragma once
// Short sounds played without waiting for them: the intervalometer's beeps. Each sound is a RIFF
// WAVE of 8- or 16-bit PCM; a worker thread opens the default ALSA device, plays it to the end
// and closes the device, one sound after another. Without a sound device the sounds are dropped.

#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace camtrove::media {

struct WavePcm
{
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    QByteArray samples;
};
// The PCM of a RIFF WAVE file; nothing when it is not plain 8- or 16-bit PCM.
[[nodiscard]] std::optional<WavePcm> ParseWave(const QByteArray& wave);

class WavePlayer
{
public:
    explicit WavePlayer(const char* deviceName = "default");
    ~WavePlayer();
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    // Queues the sound and returns at once; false when it is no PCM WAVE.
    bool Play(const QByteArray& wave);
    // Sounds played to the end or dropped for want of a device; for tests.
    [[nodiscard]] int Finished() const;

private:
    void Run();
    void PlayOne(const WavePcm& pcm) const;

    const char* m_deviceName;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<WavePcm> m_queue;
    bool m_stopping = false;
    int m_finished = 0;
    std::thread m_worker;
};

} // namespace camtrove::media
