// The short-sound player: the WAVE files it accepts, and that it returns at once and finishes every
// sound, played or dropped for want of a device.
#include "media/stock/wave_player.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace camtrove::media {
namespace {

QByteArray Wave(int format, int channels, int rate, int bits, const QByteArray& samples,
                bool listChunk = false)
{
    const auto le = [](std::uint32_t v, int n) {
        QByteArray out;
        for (int i = 0; i < n; ++i)
            out.append(static_cast<char>(v >> (8 * i) & 0xFF));
        return out;
    };
    QByteArray body = "WAVE";
    body += "fmt " + le(16, 4) + le(format, 2) + le(channels, 2) + le(rate, 4) +
            le(rate * channels * bits / 8, 4) + le(channels * bits / 8, 2) + le(bits, 2);
    if (listChunk)
        body += "LIST" + le(3, 4) + QByteArray("abc") + QByteArray(1, '\0'); // odd size, padded
    body += "data" + le(static_cast<std::uint32_t>(samples.size()), 4) + samples;
    return "RIFF" + le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

TEST(WavePlayer, ReadsPlainPcmWavesAndRefusesOthers)
{
    const QByteArray samples(660, '\x80');
    const auto beep = ParseWave(Wave(1, 1, 11025, 8, samples, true));
    ASSERT_TRUE(beep.has_value()) << "a chunk of odd size before the data is skipped with its pad byte";
    EXPECT_EQ(beep->sampleRate, 11025);
    EXPECT_EQ(beep->channels, 1);
    EXPECT_EQ(beep->bitsPerSample, 8);
    EXPECT_EQ(beep->samples, samples);

    EXPECT_FALSE(ParseWave(Wave(0x55, 2, 44100, 16, samples)).has_value()) << "MP3 data is no PCM";
    EXPECT_FALSE(ParseWave(Wave(1, 1, 11025, 24, samples)).has_value());
    EXPECT_FALSE(ParseWave(QByteArray("RIFF")).has_value());
    QByteArray truncated = Wave(1, 1, 11025, 8, samples);
    truncated.chop(100);
    EXPECT_FALSE(ParseWave(truncated).has_value()) << "a data chunk longer than the file";
}

TEST(WavePlayer, ReturnsAtOnceAndFinishesEverySound)
{
    WavePlayer player;
    const QByteArray beep = Wave(1, 1, 11025, 8, QByteArray(660, '\x80'));
    ASSERT_TRUE(player.Play(beep));
    ASSERT_TRUE(player.Play(beep));
    EXPECT_FALSE(player.Play(QByteArray("not a wave")));
    for (int waited = 0; player.Finished() < 2 && waited < 500; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(player.Finished(), 2);
}

} // namespace
} // namespace camtrove::media
