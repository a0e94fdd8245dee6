// UTF-8 to ANSI, FindText and CountOccurrences on a catalogue of 100,000
// animals, against memmem, the C library's search, as the floor.

#include <benchmark/benchmark.h>
#include <string.h>

#include <string_view>

#include "bench/generated_catalogue.h"
#include "catalogue/catalogue.h"
#include "text/text_ops.h"
#include "web/codepage.h"

namespace animal_ids {
namespace {

constexpr int kAnimals = 100000;

const std::string& Utf8Doc() {
  static const std::string doc = bench::GeneratedCatalogue(kAnimals);
  return doc;
}

const Text& AnsiDoc() {
  static const Text doc = Utf8ToAnsi(Bytes(Utf8Doc()));
  return doc;
}

void BM_Utf8ToAnsi(benchmark::State& state) {
  const Bytes body(Utf8Doc());
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToAnsi(body));
  state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_Utf8ToAnsi)->Unit(benchmark::kMillisecond);

// The same conversion as the catalogue download makes it, run by run.
void BM_DocumentToAnsi(benchmark::State& state) {
  const std::string& body = Utf8Doc();
  for (auto _ : state) benchmark::DoNotOptimize(DocumentToAnsi(body));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
}
BENCHMARK(BM_DocumentToAnsi)->Unit(benchmark::kMillisecond);

// A needle found only at the very end: the whole text is searched.
const Text kLastNeedle = "</animals>";

void BM_FindText(benchmark::State& state) {
  const Text& doc = AnsiDoc();
  const bool ignoreCase = state.range(0) != 0;
  for (auto _ : state) benchmark::DoNotOptimize(FindText(doc, kLastNeedle, 1, ignoreCase));
  state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_FindText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FindTextMemmem(benchmark::State& state) {
  const Text& doc = AnsiDoc();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        memmem(doc.c_str(), doc.view().size(), kLastNeedle.c_str(), kLastNeedle.view().size()));
  }
  state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_FindTextMemmem)->Unit(benchmark::kMillisecond);

void BM_CountOccurrences(benchmark::State& state) {
  const Text& doc = AnsiDoc();
  for (auto _ : state) benchmark::DoNotOptimize(CountOccurrences(doc, "</animal>"));
  state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_CountOccurrences)->Unit(benchmark::kMillisecond);

void BM_CountOccurrencesMemmem(benchmark::State& state) {
  const Text& doc = AnsiDoc();
  const std::string_view needle = "</animal>";
  for (auto _ : state) {
    int count = 0;
    const char* at = doc.c_str();
    const char* end = at + doc.view().size();
    while (const void* hit =
               memmem(at, static_cast<size_t>(end - at), needle.data(), needle.size())) {
      ++count;
      at = static_cast<const char*>(hit) + needle.size();
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_CountOccurrencesMemmem)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace animal_ids

BENCHMARK_MAIN();
