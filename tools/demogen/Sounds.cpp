#include "DemoGen.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace demogen {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

using Samples = std::vector<float>;

Samples Silence(double seconds) {
    return Samples(static_cast<size_t>(std::lround(seconds * kSampleRate)), 0.0f);
}

double Time(size_t i) {
    return static_cast<double>(i) / kSampleRate;
}

enum class Wave { Sine, Square, Saw, Triangle };

double WaveAt(Wave wave, double phase) {
    const double p = phase - std::floor(phase);
    switch (wave) {
    case Wave::Sine:
        return std::sin(kTwoPi * p);
    case Wave::Square:
        return p < 0.5 ? 0.7 : -0.7;
    case Wave::Saw:
        return 2.0 * p - 1.0;
    case Wave::Triangle:
        return p < 0.5 ? 4.0 * p - 1.0 : 3.0 - 4.0 * p;
    }
    return 0.0;
}

// Adds a tone whose pitch glides exponentially from f0 to f1 over its length, shaped by an
// attack ramp and an exponential decay (decay: amplitude falls to 1/e after that many seconds).
void AddTone(Samples& out, double start, double length, double f0, double f1, Wave wave,
             double gain, double attack, double decay) {
    const size_t first = static_cast<size_t>(std::lround(start * kSampleRate));
    const size_t count = static_cast<size_t>(std::lround(length * kSampleRate));
    double phase = 0.0;
    for (size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = Time(i);
        const double f = f0 * std::pow(f1 / f0, t / length);
        phase += f / kSampleRate;
        double env = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
        env *= std::exp(-t / decay);
        const double tail = std::min(1.0, (length - t) / 0.01); // no click at the end
        out[first + i] += static_cast<float>(gain * env * tail * WaveAt(wave, phase));
    }
}

// Adds white noise through a one-pole low-pass of the given cut-off (Hz), with a decay.
void AddNoise(Samples& out, Rng& rng, double start, double length, double cutoff, double gain,
              double attack, double decay) {
    const size_t first = static_cast<size_t>(std::lround(start * kSampleRate));
    const size_t count = static_cast<size_t>(std::lround(length * kSampleRate));
    const double a = 1.0 - std::exp(-kTwoPi * cutoff / kSampleRate);
    double state = 0.0;
    for (size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double t = Time(i);
        state += a * (rng.Range(-1.0, 1.0) - state);
        double env = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
        env *= std::exp(-t / decay);
        const double tail = std::min(1.0, (length - t) / 0.01);
        out[first + i] += static_cast<float>(gain * env * tail * state * 2.0);
    }
}

void LowPass(Samples& samples, double cutoff) {
    const double a = 1.0 - std::exp(-kTwoPi * cutoff / kSampleRate);
    double state = 0.0;
    for (float& s : samples) {
        state += a * (s - state);
        s = static_cast<float>(state);
    }
}

// Scales the sound so that its loudest sample reaches peak, and fades its last few ms out.
Samples Finish(Samples samples, double peak) {
    float loudest = 0.0f;
    for (float s : samples) {
        loudest = std::max(loudest, std::abs(s));
    }
    const double scale = loudest > 0.0f ? peak / loudest : 0.0;
    const size_t fade = std::min<size_t>(samples.size(), kSampleRate / 200);
    for (size_t i = 0; i < samples.size(); ++i) {
        double g = scale;
        const size_t fromEnd = samples.size() - 1 - i;
        if (fromEnd < fade) {
            g *= static_cast<double>(fromEnd) / static_cast<double>(fade);
        }
        samples[i] = static_cast<float>(samples[i] * g);
    }
    return samples;
}

Samples EnemyFire() {
    Samples s = Silence(0.28);
    AddTone(s, 0.0, 0.28, 900, 220, Wave::Square, 0.6, 0.004, 0.12);
    Rng rng(11);
    AddNoise(s, rng, 0.0, 0.08, 3000, 0.25, 0.0, 0.03);
    LowPass(s, 5000);
    return Finish(s, 0.75);
}

Samples EnemyDie() {
    Samples s = Silence(0.7);
    AddTone(s, 0.0, 0.7, 420, 55, Wave::Saw, 0.5, 0.01, 0.35);
    AddTone(s, 0.0, 0.7, 433, 57, Wave::Saw, 0.4, 0.01, 0.3);
    Rng rng(12);
    AddNoise(s, rng, 0.0, 0.5, 1200, 0.5, 0.0, 0.18);
    LowPass(s, 2500);
    return Finish(s, 0.8);
}

Samples EnemyHit() {
    Samples s = Silence(0.14);
    Rng rng(13);
    AddNoise(s, rng, 0.0, 0.14, 2500, 0.7, 0.0, 0.035);
    AddTone(s, 0.0, 0.14, 180, 80, Wave::Sine, 0.8, 0.002, 0.06);
    return Finish(s, 0.8);
}

Samples EnemyAmbience() {
    Samples s = Silence(1.2);
    AddTone(s, 0.0, 1.2, 72, 64, Wave::Saw, 0.6, 0.25, 3.0);
    AddTone(s, 0.0, 1.2, 108, 96, Wave::Saw, 0.3, 0.3, 3.0);
    for (size_t i = 0; i < s.size(); ++i) { // a slow throb, fading in and out
        const double t = Time(i);
        const double lfo = 0.6 + 0.4 * std::sin(kTwoPi * 5.0 * t);
        const double fade = std::min(1.0, std::min(t / 0.2, (1.2 - t) / 0.3));
        s[i] = static_cast<float>(s[i] * lfo * fade);
    }
    LowPass(s, 600);
    return Finish(s, 0.6);
}

Samples PlayerFire() {
    Samples s = Silence(0.22);
    Rng rng(21);
    AddNoise(s, rng, 0.0, 0.22, 4000, 0.5, 0.03, 0.07);
    AddTone(s, 0.0, 0.12, 1200, 1900, Wave::Triangle, 0.5, 0.002, 0.05);
    return Finish(s, 0.7);
}

Samples PlayerDie() {
    Samples s = Silence(0.95);
    const double notes[] = {659.3, 523.3, 440.0, 329.6};
    for (int i = 0; i < 4; ++i) {
        AddTone(s, i * 0.18, i == 3 ? 0.41 : 0.2, notes[i], notes[i] * (i == 3 ? 0.94 : 1.0),
                Wave::Square, 0.45, 0.005, i == 3 ? 0.25 : 0.12);
    }
    LowPass(s, 3500);
    return Finish(s, 0.7);
}

Samples PlayerHit() {
    Samples s = Silence(0.16);
    AddTone(s, 0.0, 0.16, 320, 140, Wave::Triangle, 0.8, 0.002, 0.07);
    Rng rng(23);
    AddNoise(s, rng, 0.0, 0.06, 1800, 0.35, 0.0, 0.02);
    return Finish(s, 0.8);
}

Samples ButtonClick() {
    Samples s = Silence(0.05);
    AddTone(s, 0.0, 0.05, 1500, 1400, Wave::Sine, 0.8, 0.0005, 0.012);
    Rng rng(31);
    AddNoise(s, rng, 0.0, 0.006, 6000, 0.4, 0.0, 0.002);
    return Finish(s, 0.6);
}

Samples SlimeAmbience() {
    Samples s = Silence(1.0);
    Rng rng(41);
    for (int i = 0; i < 7; ++i) { // bubbles: short upward sine glides
        const double start = rng.Range(0.0, 0.85);
        const double f = rng.Range(180, 320);
        AddTone(s, start, 0.09, f, f * 2.2, Wave::Sine, rng.Range(0.4, 0.8), 0.005, 0.05);
    }
    AddNoise(s, rng, 0.0, 1.0, 300, 0.15, 0.2, 2.0);
    return Finish(s, 0.55);
}

Samples BatAmbience() {
    Samples s = Silence(0.8);
    for (int i = 0; i < 3; ++i) { // three squeaks
        AddTone(s, 0.05 + i * 0.22, 0.07, 2600 + 200 * i, 3600, Wave::Triangle, 0.6, 0.005, 0.03);
    }
    Rng rng(42);
    AddNoise(s, rng, 0.0, 0.8, 900, 0.08, 0.1, 1.0); // wing flutter
    return Finish(s, 0.55);
}

Samples BossFire() {
    Samples s = Silence(0.6);
    Rng rng(51);
    AddNoise(s, rng, 0.0, 0.6, 900, 0.9, 0.04, 0.25);
    AddTone(s, 0.0, 0.6, 130, 55, Wave::Saw, 0.5, 0.02, 0.3);
    LowPass(s, 1800);
    return Finish(s, 0.85);
}

Samples BossDie() {
    Samples s = Silence(1.5);
    AddTone(s, 0.0, 1.5, 160, 30, Wave::Saw, 0.6, 0.02, 0.8);
    AddTone(s, 0.0, 1.5, 240, 45, Wave::Square, 0.3, 0.02, 0.6);
    Rng rng(52);
    AddNoise(s, rng, 0.0, 1.5, 500, 0.9, 0.05, 0.7);
    LowPass(s, 1500);
    return Finish(s, 0.85);
}

Samples BossAmbience() {
    Samples s = Silence(1.5);
    AddTone(s, 0.0, 1.5, 55.0, 55.0, Wave::Saw, 0.5, 0.4, 10.0);
    AddTone(s, 0.0, 1.5, 55.8, 55.8, Wave::Saw, 0.5, 0.4, 10.0);
    AddTone(s, 0.0, 1.5, 82.4, 82.4, Wave::Sine, 0.4, 0.4, 10.0);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = Time(i);
        s[i] = static_cast<float>(s[i] * std::min(1.0, (1.5 - t) / 0.4));
    }
    LowPass(s, 400);
    return Finish(s, 0.6);
}

Samples BonesDie() {
    Samples s = Silence(0.65);
    Rng rng(61);
    double t = 0.0;
    while (t < 0.55) { // a rattle of dry clicks, thinning out
        AddNoise(s, rng, t, 0.025, 5000, rng.Range(0.4, 0.9) * (1.0 - t), 0.0, 0.006);
        AddTone(s, t, 0.03, rng.Range(700, 1100), 500, Wave::Triangle, 0.3 * (1.0 - t), 0.0, 0.01);
        t += rng.Range(0.025, 0.07) + t * 0.08;
    }
    return Finish(s, 0.75);
}

struct SoundRecipe {
    const char* name;
    Samples (*make)();
};

constexpr SoundRecipe kSounds[] = {
    {"ingame\\enemy_fire.wav", EnemyFire},    {"ingame\\enemy_die.wav", EnemyDie},
    {"ingame\\enemy_hit.wav", EnemyHit},      {"ingame\\enemy_amb.wav", EnemyAmbience},
    {"ingame\\player_fire.wav", PlayerFire},  {"ingame\\player_die.wav", PlayerDie},
    {"ingame\\player_hit.wav", PlayerHit},    {"gui\\butclick.wav", ButtonClick},
    {"ingame\\slime_amb.wav", SlimeAmbience}, {"ingame\\bat_amb.wav", BatAmbience},
    {"ingame\\boss_fire.wav", BossFire},      {"ingame\\boss_die.wav", BossDie},
    {"ingame\\boss_amb.wav", BossAmbience},   {"ingame\\bones_die.wav", BonesDie},
};

const SoundRecipe* FindSound(const std::string& name) {
    for (const SoundRecipe& recipe : kSounds) {
        if (QString::fromStdString(name).compare(QLatin1String(recipe.name), Qt::CaseInsensitive) ==
            0) {
            return &recipe;
        }
    }
    return nullptr;
}

void PutU16(QByteArray& out, uint16_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
}

void PutU32(QByteArray& out, uint32_t v) {
    PutU16(out, static_cast<uint16_t>(v & 0xFFFF));
    PutU16(out, static_cast<uint16_t>(v >> 16));
}

} // namespace

QByteArray EncodeWav(const std::vector<float>& samples, int sampleRate) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(44 + dataBytes));
    out.append("RIFF", 4);
    PutU32(out, 36 + dataBytes);
    out.append("WAVEfmt ", 8);
    PutU32(out, 16);
    PutU16(out, 1); // PCM
    PutU16(out, 1); // mono
    PutU32(out, static_cast<uint32_t>(sampleRate));
    PutU32(out, static_cast<uint32_t>(sampleRate) * 2);
    PutU16(out, 2);
    PutU16(out, 16);
    out.append("data", 4);
    PutU32(out, dataBytes);
    for (float s : samples) {
        const double clipped = std::clamp(static_cast<double>(s), -1.0, 1.0);
        PutU16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(clipped * 32767.0))));
    }
    return out;
}

bool HasSoundRecipe(const std::string& name) {
    return FindSound(name) != nullptr;
}

QByteArray SynthesiseSound(const std::string& name) {
    const SoundRecipe* recipe = FindSound(name);
    if (recipe == nullptr) {
        throw GenError("no sound recipe for \"" + name + "\"");
    }
    return EncodeWav(recipe->make());
}

std::vector<std::string> FixedSounds() {
    return {"ingame\\enemy_fire.wav", "ingame\\enemy_die.wav",   "ingame\\enemy_hit.wav",
            "ingame\\enemy_amb.wav",  "ingame\\player_fire.wav", "ingame\\player_die.wav",
            "ingame\\player_hit.wav", "gui\\butclick.wav"};
}

QByteArray KelvornChime() {
    // Four bell strokes rising through a major chord; each stroke has slightly inharmonic
    // partials that die away faster the higher they are.
    Samples s = Silence(1.6);
    const double notes[] = {1046.5, 1318.5, 1568.0, 2093.0};
    const double partials[][2] = {{1.0, 1.0}, {2.0, 0.5}, {2.76, 0.3}, {5.4, 0.12}};
    for (int n = 0; n < 4; ++n) {
        const double start = n * 0.13;
        const double length = 1.6 - start;
        for (const auto& partial : partials) {
            const double f = notes[n] * partial[0];
            AddTone(s, start, length, f, f, Wave::Sine, partial[1] * (n == 3 ? 1.1 : 0.8), 0.003,
                    0.45 / partial[0] + 0.1);
        }
    }
    return EncodeWav(Finish(s, 0.7));
}

} // namespace demogen
