// tallyvane-bench-book DIR COUNT [RECONCILED-BEFORE]: writes the benchmark
// book into a data folder, for benchmarks that run the programs themselves;
// with a date, every row before it reconciled.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "book.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: tallyvane-bench-book DIR COUNT [RECONCILED-BEFORE]\n");
    return 2;
  }
  char* end = nullptr;
  const long long count = std::strtoll(argv[2], &end, 10);
  if (end == argv[2] || *end != '\0' || count < 1) {
    std::fprintf(stderr, "tallyvane-bench-book: COUNT is a positive number of transactions\n");
    return 2;
  }
  if (!tallyvane::bench::WriteBook(argv[1], TALLYVANE_BENCH_TEMPLATE, count, argc == 4 ? argv[3] : "")) {
    std::fprintf(stderr, "tallyvane-bench-book: could not write %s/tallyvane.vdb\n", argv[1]);
    return 4;
  }
  std::printf("%s/tallyvane.vdb\n", argv[1]);
  return 0;
}
