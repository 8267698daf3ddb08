// Time and output lines of fluxa-sim.
//
// Every time the simulator prints (t=<ms>) counts from its own start on the monotonic clock. The
// start is also printed as "clock <ns>" in CLOCK_MONOTONIC nanoseconds, so a test on the same
// machine can place its own events on the simulator's time line.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

// Seconds since the simulator started (monotonic).
double Now();

// CLOCK_MONOTONIC of the start, in nanoseconds.
std::int64_t StartMonotonicNs();

// "t=12.345": milliseconds since start with three decimals.
std::string Stamp(double seconds);

// Writes one line to stdout and flushes it, so a parent reading a pipe sees it at once.
void PrintLine(const std::string& line);

// "AA 55 0E": upper-case hex bytes separated by spaces.
std::string HexBytes(const std::uint8_t* data, std::size_t size);

}  // namespace sim
