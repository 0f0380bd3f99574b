// Benchmark executable: prints one row per measurement. Run it through scripts/bench.
#include <cstdio>
#include <cstring>

void RunIniBench();
void RunConfigBench();
void RunOverlayBench();
void RunFootprintBench();

int main(int argc, char** argv) {
  const char* only = argc > 1 ? argv[1] : nullptr;
  std::printf("%-48s %12s\n", "measurement", "median");
  if (!only || std::strcmp(only, "ini") == 0) RunIniBench();
  if (!only || std::strcmp(only, "config") == 0) RunConfigBench();
  if (!only || std::strcmp(only, "overlay") == 0) RunOverlayBench();
  if (!only || std::strcmp(only, "footprint") == 0) RunFootprintBench();
  return 0;
}
