#include <benchmark/benchmark.h>

#include <memory>

#include "platform/ui/sample/sample_dialog.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"

namespace {

// Create, initialise (combo of 16 rows, three columns sized to their headers, eight rows),
// paint every owner-drawn row into the recording DC, take one scripted key, destroy.
void BM_OpenCloseSampleDialogHeadless(benchmark::State& state) {
    ovtb::ui::ResetForTests();
    HINSTANCE inst = ovtb::ui::RegisterResources(ovtb::ui::sample::Resources());
    for (auto _ : state) {
        auto script = std::make_shared<ovtb::ui::Script>();
        script->Dialog("Sample Port Settings").Escape();
        ovtb::ui::UseScript(script);
        benchmark::DoNotOptimize(ovtb::ui::sample::RunSample(inst));
        ovtb::ui::ClearRecords();
    }
}
BENCHMARK(BM_OpenCloseSampleDialogHeadless)->Unit(benchmark::kMicrosecond);

void BM_ParseScript(benchmark::State& state) {
    const char* text = R"(
        dialog "Sample Port Settings"
          select 1002 4
          type 1005 "Rack two"
          press 1007
        dialog "Details"
          press 1010
        message "Reset all ports?"
          answer IDYES
          enter
          press IDOK
    )";
    for (auto _ : state) {
        std::string error;
        benchmark::DoNotOptimize(ovtb::ui::Script::Parse(text, &error));
    }
}
BENCHMARK(BM_ParseScript)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
