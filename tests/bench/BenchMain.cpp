// Benchmark executable: prints one row per measurement. Run it through scripts/bench.
#include <cstdio>
#include <cstring>

void RunIniBench();

int main(int argc, char** argv) {
  const char* only = argc > 1 ? argv[1] : nullptr;
  std::printf("%-48s %12s\n", "measurement", "median");
  if (!only || std::strcmp(only, "ini") == 0) RunIniBench();
  return 0;
}
