// Costs of the value types that carry every call between the program and
// its movie: growth of vectors, copies of argument lists, interning names.
#include <benchmark/benchmark.h>

#include <string>

#include "support/any_regular_t.h"
#include "support/name_t.h"
#include "support/string_t.h"

namespace {

void PushBackChars(benchmark::State& state) {
  for (auto _ : state) {
    vesko::vector<char> v;
    for (int64_t i = 0; i < state.range(0); ++i) v.push_back(char(i));
    benchmark::DoNotOptimize(v.begin());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(PushBackChars)->Arg(16)->Arg(1024)->Arg(65536);

void CopyArgumentList(benchmark::State& state) {
  vesko::vector<vesko::any_regular_t> args;
  for (int64_t i = 0; i < state.range(0); ++i)
    args.push_back(
        vesko::any_regular_t("/Users/someone/Downloads/extension-" + std::to_string(i) + ".yxp"));
  for (auto _ : state) {
    vesko::vector<vesko::any_regular_t> copy(args);
    benchmark::DoNotOptimize(copy.begin());
  }
}
BENCHMARK(CopyArgumentList)->Arg(4)->Arg(64);

void InternExistingName(benchmark::State& state) {
  for (int i = 0; i < 2000; ++i) vesko::name_t(("brioCallBack" + std::to_string(i)).c_str());
  for (auto _ : state) benchmark::DoNotOptimize(vesko::name_t("brioCallBack1000").c_str());
}
BENCHMARK(InternExistingName);

}  // namespace
