// The main window over a library of a million records: start-up to a shown window with its rows, a search
// that refills half the list, scrolling, and the memory the whole program holds.
#include "app/Folders.h"
#include "controls/EditEx1.h"
#include "controls/GridListCtrlEx2.h"
#include "library/SoundLibrary.h"
#include "platform/core/Gbk.h"
#include "platform/core/MessageBox.h"
#include "platform/gui/DialogTemplate.h"
#include "support/TestSupport.h"
#include "ui/KIVDlg.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

constexpr int kRecords = 1000000;
std::string g_Folder;

void makeLibrary() {
    char tmpl[] = "/tmp/kiv-bench-ui-XXXXXX";
    g_Folder = std::string(mkdtemp(tmpl)) + "/";
    std::ofstream out(g_Folder + "KIV_Lib.cfg", std::ios::binary);
    const std::string apple = toGbk(QStringLiteral("苹果"));
    char line[512];
    for (int i = 0; i < kRecords; ++i) {
        const std::string content = (i % 2 ? apple : std::string("pear")) + std::to_string(i % 1000);
        std::snprintf(line, sizeof line, "%06d      %-10s  S_WAV       \"%s%06d.wav\"\r\n", i,
                      content.c_str(), g_Folder.c_str(), i);
        out << line;
    }
}

void BM_StartToShownWindow(benchmark::State& state) {
    for (auto _ : state) {
        auto library = std::make_unique<CSoundLibrary>();
        CKIVDlg dlg;
        dlg.Create();
        dlg.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(dlg.RecordList()->m_FilledRows);
        state.counters["rows"] = dlg.RecordList()->m_FilledRows;
        state.counters["rss_mb"] = residentKiB() / 1024.0;
    }
}
BENCHMARK(BM_StartToShownWindow)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SearchHalf(benchmark::State& state) {
    auto library = std::make_unique<CSoundLibrary>();
    CKIVDlg dlg;
    dlg.Create();
    dlg.show();
    QApplication::processEvents();
    auto* button = qobject_cast<QPushButton*>(dlg.GetDlgItem(1000));
    for (auto _ : state) {
        dlg.KeywordEdit()->setText(QStringLiteral("苹果"));
        button->click();
        QApplication::processEvents();
        state.counters["rows"] = dlg.RecordList()->m_FilledRows;
        state.PauseTiming();
        dlg.KeywordEdit()->setText(QString());
        button->click();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rss_mb"] = residentKiB() / 1024.0;
}
BENCHMARK(BM_SearchHalf)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ScrollPage(benchmark::State& state) {
    auto library = std::make_unique<CSoundLibrary>();
    CKIVDlg dlg;
    dlg.Create();
    dlg.resize(1000, 700);
    dlg.show();
    QApplication::processEvents();
    QScrollBar* bar = dlg.RecordList()->verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        // One page further, painted: what a user waits for while scrolling.
        bar->setValue((step++ * 37 * bar->pageStep()) % bar->maximum());
        dlg.RecordList()->viewport()->repaint();
    }
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setFont(dialogFont());
    setMessageBoxResponder([](const MessageBoxCall&) { return IDOK; });
    makeLibrary();
    ProgramFolder = g_Folder;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_Folder);
    return 0;
}
