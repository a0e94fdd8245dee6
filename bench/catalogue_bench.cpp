// The catalogue listing and the ID lookup on the headless window, on
// catalogues of 1,000 to 100,000 animals.

#include <benchmark/benchmark.h>

#include "app/headless_window.h"
#include "app/main_window.h"
#include "bench/generated_catalogue.h"
#include "catalogue/catalogue.h"
#include "web/codepage.h"

namespace animal_ids {
namespace {

void BM_ListCatalogue(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const Text doc = Utf8ToAnsi(Bytes(bench::GeneratedCatalogue(n)));
  EchoInfoBoxes(false);
  for (auto _ : state) {
    state.PauseTiming();
    ResetHeadlessWindow();
    state.ResumeTiming();
    benchmark::DoNotOptimize(ListCatalogue(doc));
  }
  state.SetBytesProcessed(state.iterations() * doc.size());
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ListCatalogue)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The check that a downloaded document is whole, run before every listing.
void BM_CheckCatalogue(benchmark::State& state) {
  const Text doc = Utf8ToAnsi(Bytes(bench::GeneratedCatalogue(static_cast<int>(state.range(0)))));
  for (auto _ : state) benchmark::DoNotOptimize(CheckCatalogue(doc));
  state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_CheckCatalogue)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The last animal of the list, the longest search there is.
void BM_LookupAnimalId(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ResetHeadlessWindow();
  EchoInfoBoxes(false);
  ListCatalogue(Utf8ToAnsi(Bytes(bench::GeneratedCatalogue(n))));
  SetText(Control::编辑框2, AnsiFromUtf8("动物" + std::to_string(n)));
  for (auto _ : state) {
    if (!LookupAnimalId()) state.SkipWithError("the last animal was not found");
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LookupAnimalId)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace animal_ids

BENCHMARK_MAIN();
