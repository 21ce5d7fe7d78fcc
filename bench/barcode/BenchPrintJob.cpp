// One print job of 1,000 six-digit code numbers to a PDF file (several pages), and the encoders alone.
#include "barcode/BarcodePrintJob.h"
#include "barcode/Code128.h"
#include "barcode/Code39.h"
#include "barcode/SharedPrintDialog.h"

#include <QApplication>
#include <QDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

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
