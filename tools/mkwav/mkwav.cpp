// mkwav OUT.wav: writes Tolvex's alert sound, a short two-tone radio chirp.
//
// 22050 Hz, 16-bit signed, mono PCM in a plain RIFF/WAVE file (a 16-byte "fmt " chunk and one
// "data" chunk). Every tone starts and ends with a short raised-cosine fade, so the player never
// hears a click between steps, and the file begins and ends in silence.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kSampleRate = 22050;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint16_t kChannels = 1;
constexpr double kAmplitude = 0.55 * 32767.0; // loud enough to be heard across a busy room
constexpr double kFadeMs = 6.0;

struct Step {
    double hz; // 0 is a pause
    double ms;
};

// Low-high, low-high, then a higher closing tone: reads as "something arrived", not as an alarm.
constexpr std::array<Step, 9> kChirp{{
    {0, 20},
    {880, 95},
    {1320, 95},
    {0, 45},
    {880, 95},
    {1320, 95},
    {0, 45},
    {1760, 210},
    {0, 70},
}};

std::vector<std::int16_t> render() {
    std::vector<std::int16_t> samples;
    double phase = 0.0;
    for (const Step& step : kChirp) {
        const auto count = static_cast<std::size_t>(step.ms * kSampleRate / 1000.0 + 0.5);
        const auto fade = static_cast<std::size_t>(kFadeMs * kSampleRate / 1000.0 + 0.5);
        for (std::size_t i = 0; i < count; ++i) {
            double value = 0.0;
            if (step.hz > 0) {
                double gain = 1.0;
                const std::size_t fromEnd = count - 1 - i;
                const std::size_t edge = i < fromEnd ? i : fromEnd;
                if (edge < fade) {
                    gain = 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(edge) / fade);
                }
                value = kAmplitude * gain * std::sin(phase);
                phase += 2.0 * std::numbers::pi * step.hz / kSampleRate;
                if (phase > 2.0 * std::numbers::pi) {
                    phase -= 2.0 * std::numbers::pi;
                }
            } else {
                phase = 0.0;
            }
            samples.push_back(static_cast<std::int16_t>(std::lround(value)));
        }
    }
    return samples;
}

void put16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>((v >> 8) & 0xff));
}

void put32(std::string& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((v >> shift) & 0xff));
    }
}

std::string wave(const std::vector<std::int16_t>& samples) {
    const std::uint16_t blockAlign = kChannels * kBitsPerSample / 8;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * blockAlign);
    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVE";
    out += "fmt ";
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, kChannels);
    put32(out, kSampleRate);
    put32(out, kSampleRate * blockAlign);
    put16(out, blockAlign);
    put16(out, kBitsPerSample);
    out += "data";
    put32(out, dataBytes);
    for (std::int16_t s : samples) {
        put16(out, static_cast<std::uint16_t>(s));
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: mkwav OUT.wav\n";
        return 2;
    }
    const std::string bytes = wave(render());
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    if (!file) {
        std::cerr << "mkwav: cannot open " << argv[1] << " for writing\n";
        return 1;
    }
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::cerr << "mkwav: cannot write " << argv[1] << '\n';
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
