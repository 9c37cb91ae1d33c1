// A racy parallel map that ThreadSanitizer must report: proves that the
// suppressions and annotations of the sanitizer build do not hide races
// between the pieces of a map. Run by `make test-tsan`, which expects the
// report.
#include <cstdio>

#include "numerics/parallel.h"

int main() {
  long shared = 0;
  // Entries slow enough that every thread of the pool takes some.
  caustix::for_each_range(2000, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      volatile double work = 0.0;
      for (int k = 0; k < 20000; ++k) work = work + 1.0;
      shared += 1;  // unsynchronised on purpose
    }
  });
  std::printf("%ld\n", shared);
}
