// One print job of 1,000 six-digit code numbers to a PDF file (several pages), label sheets of 250 to 4,000
// labels to a PDF file, and the encoders alone.
#include "barcode/BarcodePrintJob.h"
#include "barcode/Code128.h"
#include "barcode/Code39.h"
#include "barcode/LabelPages.h"
#include "barcode/LabelSheets.h"
#include "barcode/SharedPrintDialog.h"

#include <QApplication>
#include <QDir>
#include <QPdfWriter>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <sys/resource.h>

namespace {
std::string code(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06d", n);
    return buf;
}

void BM_PrintThousandCodes(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    CSharedPrintDialog dialog;
    const QString pdf = QDir::temp().filePath(QStringLiteral("kiv-bench-barcodes-%1.pdf").arg(type));
    dialog.SetOutputFile(pdf);
    int pages = 0;
    for (auto _ : state) {
        BarcodePrintJob job;
        if (!job.BeginJob(15.0, 0.4)) {
            state.SkipWithError("BeginJob failed");
            break;
        }
        for (int i = 0; i < 1000; ++i)
            job.AddBarcode(code(i * 7919 % 1000000), type);
        job.FlushRow();
        pages = job.Pages();
    } // the job's end writes the file
    state.counters["pages"] = pages;
}
BENCHMARK(BM_PrintThousandCodes)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Labels on A4 3x8 as kivtool writes them. The peak memory of the process after each size shows whether it
// grows with the number of pages (the sizes run from small to large).
void BM_LabelSheetsToPdf(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<CLabel> labels;
    for (int i = 0; i < n; ++i)
        labels.push_back({code(i * 7919 % 1000000), QStringLiteral("第%1课 小猫钓鱼").arg(i)});
    const CLabelPages pages(*FindLabelSheet(QStringLiteral("a4-3x8")), labels, CLabelOptions());
    const QString pdf = QDir::temp().filePath(QStringLiteral("kiv-bench-labels.pdf"));
    for (auto _ : state) {
        QPdfWriter writer(pdf);
        writer.setResolution(1200);
        if (!PrintLabelPages(pages, writer)) {
            state.SkipWithError("PrintLabelPages failed");
            break;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["pages"] = pages.PageCount();
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_LabelSheetsToPdf)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodeCode128C(benchmark::State& state) {
    char out[6 * 6 + 20];
    CCode128 c;
    for (auto _ : state) {
        out[0] = '\0';
        benchmark::DoNotOptimize(c.EncodeC("123456", out));
    }
}
BENCHMARK(BM_EncodeCode128C);

void BM_EncodeCode39(benchmark::State& state) {
    char out[10 * 6 + 20];
    CCode39 c;
    for (auto _ : state) {
        out[0] = '\0';
        benchmark::DoNotOptimize(c.Encode(out, "123456"));
    }
}
BENCHMARK(BM_EncodeCode39);
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
