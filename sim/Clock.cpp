#include "Clock.h"

#include <cstdio>
#include <ctime>

namespace sim {

namespace {

std::int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

const std::int64_t startNs = MonotonicNs();

}  // namespace

double Now() { return double(MonotonicNs() - startNs) / 1e9; }

std::int64_t StartMonotonicNs() { return startNs; }

std::string Stamp(double seconds) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "t=%.3f", seconds * 1000.0);
  return buf;
}

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string HexBytes(const std::uint8_t* data, std::size_t size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 3);
  for (std::size_t i = 0; i < size; ++i) {
    if (i) out += ' ';
    out += digits[data[i] >> 4];
    out += digits[data[i] & 0x0F];
  }
  return out;
}

}  // namespace sim
