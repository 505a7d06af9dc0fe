// bench_convert_rate: frames per second of LSRCConvertRate beside libsamplerate (SRC_SINC_FASTEST), speexdsp's
// resampler (quality 4) and soxr (low quality) on 60 s of speech-like noise, mono and stereo; the converter's
// measured pass-band ripple and stop-band rejection; and the CPU time of LSRCSpeed at 7x over an hour of 8 kHz.
// Each figure is the best of three runs; ratios compare runs made in this process.
#include "MemorySource.h"
#include "sound/LRateDesign.h"
#include "sound/LSRCConvertRate.h"
#include "sound/LSRCSpeed.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <samplerate.h>
#include <soxr.h>
#include <speex/speex_resampler.h>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kBlock = 8192;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// Best CPU time of three runs of `work`.
double BestOfThree(const std::function<void()>& work) {
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        const double start = CpuSeconds();
        work();
        best = std::min(best, CpuSeconds() - start);
    }
    return best;
}

// Noise through two resonances (formant-like), gated into syllables of about 200 ms with short pauses, at about
// a quarter of the 16-bit full scale in pipeline units.
std::vector<int32_t> SpeechLikeNoise(int32_t rate, int channels, double seconds) {
    const int64_t frames = static_cast<int64_t>(rate * seconds);
    std::vector<int32_t> samples(static_cast<size_t>(frames) * channels);
    uint32_t state = 12345;
    double y1 = 0, y2 = 0, z1 = 0, z2 = 0;
    auto resonance = [rate](double frequency, double width, double& a1, double& a2) {
        const double r = std::exp(-kPi * width / rate);
        a1 = 2 * r * std::cos(2 * kPi * frequency / rate);
        a2 = -r * r;
    };
    double a1, a2, b1, b2;
    resonance(std::min(500.0, rate * 0.2), 150, a1, a2);
    resonance(std::min(1500.0, rate * 0.3), 300, b1, b2);
    for (int64_t frame = 0; frame < frames; ++frame) {
        state = state * 1664525u + 1013904223u;
        const double white = (static_cast<double>(state >> 8) / 8388608.0) - 1.0;
        const double y = white + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        const double z = y + b1 * z1 + b2 * z2;
        z2 = z1;
        z1 = z;
        const double t = static_cast<double>(frame) / rate;
        const double envelope = std::max(0.0, std::sin(2 * kPi * 2.5 * t)) * (std::fmod(t, 3.0) < 2.6 ? 1.0 : 0.0);
        const double value = std::clamp(z * envelope * 2000.0, -131000.0, 131000.0);
        for (int channel = 0; channel < channels; ++channel)
            samples[static_cast<size_t>(frame) * channels + channel] =
                static_cast<int32_t>(value * (channel ? 0.8 : 1));
    }
    return samples;
}

std::vector<float> ToFloat(const std::vector<int32_t>& samples) {
    std::vector<float> out(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        out[i] = static_cast<float>(samples[i] / 524272.0);
    return out;
}

double Ours(const std::vector<int32_t>& input, int32_t rateIn, int32_t rateOut, int channels) {
    const int64_t inputFrames = static_cast<int64_t>(input.size()) / channels;
    const int64_t outputFrames = inputFrames * rateOut / rateIn;
    std::vector<int32_t> out(static_cast<size_t>(kBlock) * channels);
    return BestOfThree([&] {
        LSRCConvertRate converter(MakeHandle<MemorySource>(input, rateIn, static_cast<uint8_t>(channels)), rateOut);
        for (int64_t done = 0; done < outputFrames; done += kBlock)
            converter.Read(out.data(), static_cast<int32_t>(std::min<int64_t>(kBlock, outputFrames - done)));
    });
}

double LibSamplerate(const std::vector<float>& input, int32_t rateIn, int32_t rateOut, int channels) {
    const long inputFrames = static_cast<long>(input.size() / channels);
    std::vector<float> out(static_cast<size_t>(kBlock) * channels * 8);
    return BestOfThree([&] {
        int error = 0;
        SRC_STATE* state = src_new(SRC_SINC_FASTEST, channels, &error);
        SRC_DATA data{};
        data.src_ratio = static_cast<double>(rateOut) / rateIn;
        for (long done = 0; done < inputFrames;) {
            data.data_in = input.data() + static_cast<size_t>(done) * channels;
            data.input_frames = std::min<long>(kBlock, inputFrames - done);
            data.data_out = out.data();
            data.output_frames = kBlock * 8;
            data.end_of_input = 0;
            src_process(state, &data);
            done += data.input_frames_used;
        }
        src_delete(state);
    });
}

double Speex(const std::vector<float>& input, int32_t rateIn, int32_t rateOut, int channels) {
    const uint32_t inputFrames = static_cast<uint32_t>(input.size() / channels);
    std::vector<float> out(static_cast<size_t>(kBlock) * channels * 8);
    return BestOfThree([&] {
        int error = 0;
        SpeexResamplerState* state = speex_resampler_init(channels, rateIn, rateOut, 4, &error);
        for (uint32_t done = 0; done < inputFrames;) {
            spx_uint32_t in = std::min<uint32_t>(kBlock, inputFrames - done);
            spx_uint32_t produced = kBlock * 8;
            speex_resampler_process_interleaved_float(state, input.data() + static_cast<size_t>(done) * channels, &in,
                                                      out.data(), &produced);
            done += in;
        }
        speex_resampler_destroy(state);
    });
}

double Soxr(const std::vector<float>& input, int32_t rateIn, int32_t rateOut, int channels) {
    const size_t inputFrames = input.size() / channels;
    std::vector<float> out(static_cast<size_t>(kBlock) * channels * 8);
    return BestOfThree([&] {
        soxr_error_t error = nullptr;
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_LQ, 0);
        soxr_t state = soxr_create(rateIn, rateOut, channels, &error, nullptr, &quality, nullptr);
        for (size_t done = 0; done < inputFrames;) {
            size_t used = 0, produced = 0;
            soxr_process(state, input.data() + done * channels, std::min<size_t>(kBlock, inputFrames - done), &used,
                         out.data(), kBlock * 8, &produced);
            done += used;
        }
        soxr_delete(state);
    });
}

// Output RMS over input RMS for a tone of `frequency` through the converter, after the filter has settled.
double ToneGain(int32_t rateIn, int32_t rateOut, double frequency) {
    const int32_t frames = rateIn / 2;
    std::vector<int32_t> tone(frames);
    for (int32_t i = 0; i < frames; ++i)
        tone[i] = static_cast<int32_t>(std::lround(300000 * std::sin(2 * kPi * frequency * i / rateIn)));
    LSRCConvertRate converter(MakeHandle<MemorySource>(tone, rateIn, 1), rateOut);
    std::vector<int32_t> out(rateOut / 2);
    converter.Read(out.data(), static_cast<int32_t>(out.size()));
    double sum = 0;
    const size_t first = out.size() / 5, last = out.size() * 4 / 5;
    for (size_t i = first; i < last; ++i)
        sum += static_cast<double>(out[i]) * out[i];
    return std::sqrt(sum / static_cast<double>(last - first)) / (300000 / std::sqrt(2.0));
}

// For an upsampler: the part of the output that is not the tone itself (images), relative to the tone.
double ImageLevel(int32_t rateIn, int32_t rateOut, double frequency) {
    const int32_t frames = rateIn / 2;
    std::vector<int32_t> tone(frames);
    for (int32_t i = 0; i < frames; ++i)
        tone[i] = static_cast<int32_t>(std::lround(300000 * std::sin(2 * kPi * frequency * i / rateIn)));
    LSRCConvertRate converter(MakeHandle<MemorySource>(tone, rateIn, 1), rateOut);
    const LRateDesign& design = converter.Design();
    const double effectiveRate = static_cast<double>(rateIn) * design.Phases() / design.Step();
    std::vector<int32_t> out(rateOut / 2);
    converter.Read(out.data(), static_cast<int32_t>(out.size()));
    const size_t first = out.size() / 5, last = out.size() * 4 / 5;
    double ss = 0, sc = 0;
    for (size_t i = first; i < last; ++i) {
        ss += out[i] * std::sin(2 * kPi * frequency * i / effectiveRate);
        sc += out[i] * std::cos(2 * kPi * frequency * i / effectiveRate);
    }
    const double n = static_cast<double>(last - first);
    const double a = 2 * ss / n, b = 2 * sc / n;
    double residual = 0, total = 0;
    for (size_t i = first; i < last; ++i) {
        const double fit = a * std::sin(2 * kPi * frequency * i / effectiveRate) +
                           b * std::cos(2 * kPi * frequency * i / effectiveRate);
        residual += (out[i] - fit) * (out[i] - fit);
        total += fit * fit;
    }
    return std::sqrt(residual / total);
}

void Response(int32_t rateIn, int32_t rateOut) {
    const LRateDesign design(rateIn, rateOut);
    // The cutoff is a fraction of the input's Nyquist frequency; the pass band is taken as 70 % of it.
    const double passEdge = 0.7 * static_cast<double>(design.Cutoff()) * rateIn / 2.0;
    double low = 1e9, high = -1e9;
    for (double f = 50; f <= passEdge; f += passEdge / 40) {
        const double db = 20 * std::log10(ToneGain(rateIn, rateOut, f));
        low = std::min(low, db);
        high = std::max(high, db);
    }
    double worst = -1e9;
    const char* what;
    if (rateIn > rateOut) {
        what = "stop band (tones from the target Nyquist up)";
        for (double f = rateOut / 2.0; f < rateIn / 2.0 - 10; f += (rateIn / 2.0 - rateOut / 2.0) / 60)
            worst = std::max(worst, 20 * std::log10(ToneGain(rateIn, rateOut, f)));
    } else {
        what = "images (tones in the pass band)";
        for (double f = 100; f <= passEdge; f += passEdge / 20)
            worst = std::max(worst, 20 * std::log10(ImageLevel(rateIn, rateOut, f)));
    }
    std::printf("  %6d -> %-6d  pass band 50..%4.0f Hz: %+.2f .. %+.2f dB (ripple %.2f dB), gain at 1 kHz %+.3f dB; "
                "%s: %.1f dB\n",
                rateIn, rateOut, passEdge, low, high, high - low, 20 * std::log10(ToneGain(rateIn, rateOut, 1000)),
                what, worst);
}

// An hour-long seekable noise source that computes its samples instead of holding them.
class NoiseHour final : public LSoundSourceBase {
public:
    NoiseHour() : LSoundSourceBase(8000, kFullScale16, 1) {}
    void Read(int32_t* samples, int32_t frames) override {
        for (int32_t i = 0; i < frames; ++i) {
            const uint32_t x = static_cast<uint32_t>(m_position + i) * 2654435761u;
            samples[i] = (m_position + i >= 0 && m_position + i < kLength) ? static_cast<int32_t>(x >> 14) - 131072 : 0;
        }
        m_position += frames;
    }
    void Seek(int32_t frame) override { m_position = frame; }
    int32_t GetPosition() override { return m_position; }
    int32_t GetLength() override { return kLength; }

private:
    static constexpr int32_t kLength = 8000 * 3600;
    int32_t m_position = 0;
};

} // namespace

int main() {
    struct Case {
        int32_t in, out;
    };
    const Case cases[] = {{44100, 8000}, {8000, 11025}, {11025, 8000}, {22050, 8000}};
    std::printf("Rate conversion of 60 s of speech-like noise: million input frames per second (CPU), best of 3\n");
    std::printf("  %-16s %-8s %9s %9s %9s %9s   %s\n", "case", "layout", "ours", "libsr", "speex4", "soxr-lq",
                "ours / libsr, speex4, soxr-lq");
    bool beatsSpeex = true;
    for (const Case& c : cases) {
        for (int channels : {1, 2}) {
            const std::vector<int32_t> input = SpeechLikeNoise(c.in, channels, 60);
            const std::vector<float> floats = ToFloat(input);
            const double frames = static_cast<double>(input.size() / channels) / 1e6;
            const double ours = Ours(input, c.in, c.out, channels);
            const double libsr = LibSamplerate(floats, c.in, c.out, channels);
            const double speex = Speex(floats, c.in, c.out, channels);
            const double soxr = Soxr(floats, c.in, c.out, channels);
            beatsSpeex = beatsSpeex && ours <= speex;
            char label[32];
            std::snprintf(label, sizeof label, "%d->%d", c.in, c.out);
            std::printf("  %-16s %-8s %9.1f %9.1f %9.1f %9.1f   %.2f, %.2f, %.2f\n", label,
                        channels == 1 ? "mono" : "stereo", frames / ours, frames / libsr, frames / speex, frames / soxr,
                        libsr / ours, speex / ours, soxr / ours);
        }
    }
    std::printf("  ours at least as fast as speexdsp quality 4 in every case: %s\n", beatsSpeex ? "yes" : "NO");

    std::printf("Measured response of LSRCConvertRate (tones of 300000, RMS after settling)\n");
    for (const Case& c : cases)
        Response(c.in, c.out);
    Response(8000, 44100);

    std::printf("LSRCSpeed at 7x over one hour of 8 kHz mono\n");
    double speedSeconds = 0;
    int64_t delivered = 0;
    {
        const double start = CpuSeconds();
        LSRCSpeed speed(MakeHandle<NoiseHour>(), 7.0, 7.0, 0);
        std::vector<int32_t> out(kBlock);
        while (speed.GetPosition() < speed.GetLength()) {
            speed.Read(out.data(), kBlock);
            delivered += kBlock;
        }
        speedSeconds = CpuSeconds() - start;
    }
    double plainSeconds = 0;
    {
        const double start = CpuSeconds();
        NoiseHour plain;
        std::vector<int32_t> out(kBlock);
        while (plain.GetPosition() < plain.GetLength())
            plain.Read(out.data(), kBlock);
        plainSeconds = CpuSeconds() - start;
    }
    std::printf("  %.3f CPU s for %lld output frames (%.1f s of sound); generating the hour alone takes %.3f CPU s\n",
                speedSeconds, static_cast<long long>(delivered), delivered / 8000.0, plainSeconds);
    return 0;
}
