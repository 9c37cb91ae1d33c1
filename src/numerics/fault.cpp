#include "numerics/fault.h"

#include <execinfo.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace caustix {

namespace {

// Set by the first report of the process, so that the hint on backtraces is
// printed once. An atomic flag: reports can come from several threads.
std::atomic<bool> hint_given{false};

bool backtrace_requested() noexcept {
  const char* value = std::getenv("CAUSTIX_BACKTRACE");
  return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

}  // namespace

void report_fault(std::string_view message, const std::source_location& where) noexcept {
  char name[64] = "<unnamed>";
  pthread_getname_np(pthread_self(), name, sizeof name);
  // One fprintf per line keeps lines whole when several threads report.
  std::fprintf(stderr, "caustix: internal fault on thread '%s' (tid %ld) at %s:%u:\n%.*s\n", name,
               static_cast<long>(gettid()), where.file_name(), static_cast<unsigned>(where.line()),
               static_cast<int>(message.size()), message.data());
  if (backtrace_requested()) {
    void* frames[64];
    int depth = backtrace(frames, 64);
    backtrace_symbols_fd(frames, depth, fileno(stderr));
  } else if (!hint_given.exchange(true)) {
    std::fputs("caustix: set the environment variable CAUSTIX_BACKTRACE=1 to print a backtrace\n",
               stderr);
  }
  std::fflush(stderr);
}

void raise_fault(std::string message, const std::source_location& where) {
  report_fault(message, where);
  throw InternalFault(std::move(message));
}

}  // namespace caustix
