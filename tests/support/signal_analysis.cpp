#include "support/signal_analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace lumenor::test {

namespace {

void fft(std::vector<std::complex<double>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * M_PI / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w(1.0);
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

}  // namespace

Span activeSpan(const std::vector<float>& x, float threshold) {
    Span s;
    bool found = false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (std::fabs(x[i]) > threshold) {
            if (!found) {
                s.begin = i;
                found = true;
            }
            s.end = i + 1;
        }
    }
    return s;
}

std::vector<Span> bursts(const std::vector<float>& x, float threshold, std::size_t minGap) {
    std::vector<Span> out;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (std::fabs(x[i]) <= threshold) {
            continue;
        }
        if (!out.empty() && i - out.back().end < minGap) {
            out.back().end = i + 1;
        } else {
            out.push_back({i, i + 1});
        }
    }
    return out;
}

float peak(const std::vector<float>& x, Span span) {
    float p = 0;
    for (std::size_t i = span.begin; i < span.end; ++i) {
        p = std::max(p, std::fabs(x[i]));
    }
    return p;
}

double peakDbfs(const std::vector<float>& x, Span span) {
    const float p = peak(x, span);
    return p == 0.0f ? -std::numeric_limits<double>::infinity() : 20.0 * std::log10(p);
}

double zeroCrossingFrequency(const std::vector<float>& x, Span span, double rate) {
    double first = -1;
    double last = -1;
    int crossings = 0;
    for (std::size_t i = span.begin + 1; i < span.end; ++i) {
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
            const double t = static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            if (first < 0) {
                first = t;
            }
            last = t;
            ++crossings;
        }
    }
    if (crossings < 2) {
        return 0;
    }
    return (crossings - 1) * rate / (last - first);
}

double correlation(const std::vector<float>& a, const std::vector<float>& b, Span span) {
    double ma = 0, mb = 0;
    const double n = static_cast<double>(span.length());
    for (std::size_t i = span.begin; i < span.end; ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= n;
    mb /= n;
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t i = span.begin; i < span.end; ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return sab / std::sqrt(saa * sbb);
}

double maxSineResidual(const std::vector<float>& x, Span span, double hz, double rate) {
    const double c = 2.0 * std::cos(2.0 * M_PI * hz / rate);
    double worst = 0;
    for (std::size_t i = span.begin + 1; i + 1 < span.end; ++i) {
        worst = std::max(worst, std::fabs(double(x[i + 1]) + x[i - 1] - c * x[i]));
    }
    return worst;
}

double spectralSlopeDbPerOctave(const std::vector<float>& x, Span span, double rate, double lowHz,
                                double highHz) {
    constexpr std::size_t n = 8192;
    std::vector<double> power(n / 2 + 1, 0.0);
    std::vector<std::complex<double>> frame(n);
    int frames = 0;
    for (std::size_t start = span.begin; start + n <= span.end; start += n / 2) {
        for (std::size_t i = 0; i < n; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / (n - 1));
            frame[i] = x[start + i] * hann;
        }
        fft(frame);
        for (std::size_t k = 0; k <= n / 2; ++k) {
            power[k] += std::norm(frame[k]);
        }
        ++frames;
    }
    if (frames == 0) {
        return 0;
    }
    // Mean density in each octave band, centred at lowHz·2^(j+0.5), against the octave index.
    std::vector<double> octave, level;
    for (double f = lowHz; f * 2.0 <= highHz * 1.0001; f *= 2.0) {
        const auto k0 = static_cast<std::size_t>(std::ceil(f * n / rate));
        const auto k1 = static_cast<std::size_t>(std::floor(2.0 * f * n / rate));
        double sum = 0;
        for (std::size_t k = k0; k <= k1; ++k) {
            sum += power[k];
        }
        octave.push_back(std::log2(f * std::sqrt(2.0) / lowHz));
        level.push_back(10.0 * std::log10(sum / static_cast<double>(k1 - k0 + 1)));
    }
    const double m = static_cast<double>(octave.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < octave.size(); ++i) {
        sx += octave[i];
        sy += level[i];
        sxx += octave[i] * octave[i];
        sxy += octave[i] * level[i];
    }
    return (m * sxy - sx * sy) / (m * sxx - sx * sx);
}

}  // namespace lumenor::test
