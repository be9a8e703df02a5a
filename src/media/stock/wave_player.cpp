#include "media/stock/wave_player.h"

#include <alsa/asoundlib.h>
#include <memory>

namespace camtrove::media {
namespace {

std::uint32_t ReadLittleEndian(const QByteArray& bytes, qsizetype at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

struct PcmClose
{
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

} // namespace

std::optional<WavePcm> ParseWave(const QByteArray& wave)
{
    if (wave.size() < 12 || !wave.startsWith("RIFF") || wave.mid(8, 4) != "WAVE")
        return std::nullopt;
    WavePcm pcm;
    bool haveFormat = false;
    // Chunks follow one another, each padded to an even size.
    for (qsizetype at = 12; at + 8 <= wave.size();) {
        const QByteArray id = wave.mid(at, 4);
        const qsizetype size = ReadLittleEndian(wave, at + 4, 4);
        const qsizetype body = at + 8;
        if (size > wave.size() - body)
            return std::nullopt;
        if (id == "fmt " && size >= 16) {
            if (ReadLittleEndian(wave, body, 2) != 1)
                return std::nullopt; // not PCM
            pcm.channels = static_cast<int>(ReadLittleEndian(wave, body + 2, 2));
            pcm.sampleRate = static_cast<int>(ReadLittleEndian(wave, body + 4, 4));
            pcm.bitsPerSample = static_cast<int>(ReadLittleEndian(wave, body + 14, 2));
            haveFormat = true;
        } else if (id == "data" && haveFormat) {
            pcm.samples = wave.mid(body, size);
            if ((pcm.bitsPerSample != 8 && pcm.bitsPerSample != 16) || pcm.channels < 1 || pcm.channels > 2 ||
                pcm.sampleRate <= 0)
                return std::nullopt;
            return pcm;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

WavePlayer::WavePlayer(const char* deviceName) : m_deviceName(deviceName), m_worker([this] { Run(); }) {}

WavePlayer::~WavePlayer()
{
    {
        const std::lock_guard lock(m_lock);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_worker.join();
}

bool WavePlayer::Play(const QByteArray& wave)
{
    std::optional<WavePcm> pcm = ParseWave(wave);
    if (!pcm)
        return false;
    {
        const std::lock_guard lock(m_lock);
        m_queue.push_back(std::move(*pcm));
    }
    m_wake.notify_one();
    return true;
}

int WavePlayer::Finished() const
{
    const std::lock_guard lock(m_lock);
    return m_finished;
}

void WavePlayer::Run()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        const WavePcm pcm = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        PlayOne(pcm);
        lock.lock();
        ++m_finished;
    }
}

void WavePlayer::PlayOne(const WavePcm& pcm) const
{
    snd_pcm_t* raw = nullptr;
    if (snd_pcm_open(&raw, m_deviceName, SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return;
    const std::unique_ptr<snd_pcm_t, PcmClose> device(raw);
    constexpr unsigned kLatencyUs = 100'000;
    if (snd_pcm_set_params(raw, pcm.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE,
                           SND_PCM_ACCESS_RW_INTERLEAVED, static_cast<unsigned>(pcm.channels),
                           static_cast<unsigned>(pcm.sampleRate), 1, kLatencyUs) < 0)
        return;
    const int frameBytes = pcm.channels * pcm.bitsPerSample / 8;
    const auto* data = reinterpret_cast<const std::uint8_t*>(pcm.samples.constData());
    snd_pcm_uframes_t left = static_cast<snd_pcm_uframes_t>(pcm.samples.size() / frameBytes);
    while (left > 0) {
        snd_pcm_sframes_t written = snd_pcm_writei(raw, data, left);
        if (written < 0)
            written = snd_pcm_recover(raw, static_cast<int>(written), 1);
        if (written < 0)
            return;
        data += written * frameBytes;
        left -= static_cast<snd_pcm_uframes_t>(written);
    }
    (void)snd_pcm_drain(raw);
}

} // namespace camtrove::media
