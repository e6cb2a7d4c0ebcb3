#pragma once
// One benchmark case registered the way every suite here reports: in
// microseconds, under a name from CaseName.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>

namespace xvf::bench {

// `run(state, args...)` under `name`; the caller may add options to the result.
template <class Run, class... Args>
benchmark::internal::Benchmark* RegisterCase(const std::string& name, Run run, Args&&... args) {
  return benchmark::RegisterBenchmark(name.c_str(), run, std::forward<Args>(args)...)->Unit(benchmark::kMicrosecond);
}

}  // namespace xvf::bench
