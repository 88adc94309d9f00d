#include "bench/music_signal.h"

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "outside/audio/audio_factory.h"

namespace {

constexpr int kRate = 44100;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Semitone offsets of the chord roots over A3, cycling.
constexpr int kProgression[] = {0, 5, 7, 3, 8, 10, 5, 7};
constexpr int kChord[] = {0, 4, 7, 12};

double Note(int semitones) {
    return 220.0 * std::pow(2.0, semitones / 12.0);
}

}  // namespace

void WriteMusicLikeWav(const QString& path, int seconds) {
    auto writer = CreateAudioFile();
    writer->SetWaveFormat(kRate, 2, 16);
    writer->SetSourceFormat(kRate, 2);
    writer->CreateOutput(path);

    std::mt19937 random(12345);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    double phases[5] = {};
    const std::int64_t total = static_cast<std::int64_t>(seconds) * kRate;
    const std::int64_t block = 44100;
    for (std::int64_t start = 0; start < total; start += block) {
        const std::int64_t n = std::min(block, total - start);
        std::vector<float> samples(static_cast<std::size_t>(n) * 2);
        for (std::int64_t i = 0; i < n; ++i) {
            const std::int64_t t = start + i;
            const double seconds_in = static_cast<double>(t) / kRate;
            const int bar = static_cast<int>(seconds_in / 2.0);
            const int root = kProgression[bar % 8];
            double tone = 0.0;
            for (int v = 0; v < 4; ++v) {
                phases[v] += kTwoPi * Note(root + kChord[v]) / kRate;
                // A few harmonics per voice, falling off.
                tone += 0.10 * std::sin(phases[v]) + 0.04 * std::sin(2 * phases[v]) +
                        0.02 * std::sin(3 * phases[v]);
            }
            phases[4] += kTwoPi * Note(root - 12) / kRate;
            const double beat = std::fmod(seconds_in, 0.5);
            const double bass = 0.2 * std::sin(phases[4]) * std::exp(-3.0 * beat);
            const double hit = 0.15 * noise(random) * std::exp(-40.0 * beat);
            const double pan = 0.5 + 0.4 * std::sin(kTwoPi * seconds_in / 17.0);
            samples[static_cast<std::size_t>(2 * i)] =
                static_cast<float>(tone * (1.0 - pan) + bass + hit);
            samples[static_cast<std::size_t>(2 * i + 1)] =
                static_cast<float>(tone * pan + bass + hit);
        }
        for (double& p : phases) {
            p = std::fmod(p, kTwoPi);
        }
        AudioBuffer buffer(std::move(samples), 2);
        writer->WriteBuffer(buffer);
    }
    writer->Close();
}
