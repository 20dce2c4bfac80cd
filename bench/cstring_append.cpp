// Growth and replacement of CString: appends copy the text O(log n) times,
// Replace builds its result in one pass.
#include "foundation/CString.h"

#include <benchmark/benchmark.h>

static void AppendUnits(benchmark::State& state) {
  const auto n = state.range(0);
  for (auto _ : state) {
    CString s;
    for (int64_t i = 0; i < n; ++i) s += u'x';
    benchmark::DoNotOptimize(s.Get());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(AppendUnits)->Range(64, 1 << 16);

static void ReplaceEveryOther(benchmark::State& state) {
  CString source;
  for (int64_t i = 0; i < state.range(0); ++i) source += (i % 2) ? u"ab" : u"-";
  for (auto _ : state) {
    CString s(source);
    s.Replace(u"ab", u"xyz");
    benchmark::DoNotOptimize(s.Get());
  }
}
BENCHMARK(ReplaceEveryOther)->Range(64, 1 << 16);
