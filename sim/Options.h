// Command line of fluxa-sim, and the help text that documents it and the stdin commands.
#pragma once

#include "Meter.h"

#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Options {
  std::string meterPath;
  std::string referencePath;
  MeterConfig meter;
  bool help = false;
  bool version = false;
  bool exitAtEof = false;  // quit when stdin ends (a test's child dies with its test)
};

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// Field knobs given as "name value", "name=value" or "--name value" (options and the stdin
// command "wave"): field, step-low, step-high, offset, amplitude, slope, period, noise.
// Consumes tokens from index i onward; returns false with a message on the first bad one.
bool ParseFieldKnobs(const std::vector<std::string>& tokens, std::size_t i, FieldShape& shape, double& noise,
                     std::string& error);

bool ParseOnOff(std::string_view text, bool& on);
bool ParseTemperature(std::string_view text, std::optional<double>& temperature);

std::string HelpText();

}  // namespace sim
