// Times a full redraw of the chart: thirteen strips of 1500 points into a 900 x 900 image, the window's
// default size, on the offscreen platform. Google Benchmark keeps the best of the repetitions, the
// figure least disturbed by other programs on a shared machine.
//
// chart_bench --save FILE.png|FILE.svg writes the sample chart instead, to look at.

#include "app/chart_painter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

constexpr int kPoints = 1500;
constexpr int kSide = 900;

// A rising trend with ten waves of shrinking wavelength and some noise, split the way a run splits it.
vantrel::ChartContent sampleContent() {
    vantrel::ChartContent content = vantrel::chartSkeleton(kPoints);
    content.modelName = "Linear";
    std::mt19937_64 generator(7);
    std::normal_distribution<double> noise(0.0, 0.4);
    const double pi = std::acos(-1.0);
    for (vantrel::ChartStrip& strip : content.strips) {
        strip.values.assign(kPoints, 0.0);
    }
    std::vector<double> trend(kPoints);
    for (int p = 1; p <= kPoints; ++p) {
        trend[p - 1] = 20.0 + 0.01 * p;
        double oscillation = 0;
        for (int wave = 1; wave <= 10; ++wave) {
            const double wavelength = kPoints * std::pow(4.0 / kPoints, (wave - 1) / 9.0);
            const double value = (11 - wave) * 0.5 * std::sin(2 * pi * p / wavelength + wave);
            content.strips[vantrel::kFirstWaveStrip + wave - 1].values[p - 1] = value;
            oscillation += value;
        }
        const double remainder = noise(generator);
        content.strips[vantrel::kRemainderStrip].values[p - 1] = remainder;
        content.strips[vantrel::kOscillationStrip].values[p - 1] = oscillation + remainder;
        content.strips[vantrel::kDataStrip].values[p - 1] = trend[p - 1] + oscillation + remainder;
    }
    content.strips[vantrel::kDataStrip].overlay = trend;
    for (int wave = 1; wave <= 10; ++wave) {
        content.strips[vantrel::kFirstWaveStrip + wave - 1].title =
            vantrel::waveStripTitle(wave, wave % 2 ? "-1.23400" : "2.50000", std::to_string(wave * 3));
    }
    return content;
}

void BM_RedrawChart(benchmark::State& state) {
    const vantrel::ChartContent content = sampleContent();
    QImage image(kSide, kSide, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        vantrel::paintChart(painter, QRectF(0, 0, kSide, kSide), content, 700);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

double best(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

BENCHMARK(BM_RedrawChart)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ComputeStatistics("best", best)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--save") == 0) {
        QString error;
        if (!vantrel::saveChart(sampleContent(), argv[2], QSize(kSide, kSide), &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
