#include "Options.h"

namespace sim {

namespace {

// The options that take a value; any other name but the flags is unknown.
bool TakesValue(std::string_view name) {
  for (std::string_view option : {"--meter", "--reference", "--unit", "--range", "--wave", "--temp", "--rate",
                                  "--gain", "--true-gain", "--state", "--stored", "--seed"})
    if (name == option) return true;
  return false;
}

bool IsFieldKnob(std::string_view name) {
  return name == "field" || name == "step-low" || name == "step-high" || name == "offset" ||
         name == "amplitude" || name == "slope" || name == "period" || name == "noise";
}

bool SetFieldKnob(FieldShape& shape, double& noise, std::string_view name, std::string_view value,
                  std::string& error) {
  if (name != "noise") return SetShapeKnob(shape, name, value, error);
  if (!ParseDouble(value, noise) || noise < 0) {
    error = "bad value for noise: " + std::string(value);
    return false;
  }
  return true;
}

bool ParseIntIn(std::string_view text, long long lo, long long hi, long long& value) {
  return ParseInt(text, value) && value >= lo && value <= hi;
}

}  // namespace

bool ParseOnOff(std::string_view text, bool& on) {
  if (text == "on" || text == "1")
    on = true;
  else if (text == "off" || text == "0")
    on = false;
  else
    return false;
  return true;
}

bool ParseTemperature(std::string_view text, std::optional<double>& temperature) {
  if (text == "none") {
    temperature.reset();
    return true;
  }
  double t = 0;
  if (!ParseDouble(text, t)) return false;
  temperature = t;
  return true;
}

bool ParseFieldKnobs(const std::vector<std::string>& tokens, std::size_t i, FieldShape& shape, double& noise,
                     std::string& error) {
  while (i < tokens.size()) {
    std::string name = tokens[i];
    std::string value;
    if (name.rfind("--", 0) == 0) name.erase(0, 2);
    if (const auto eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.erase(eq);
      i += 1;
    } else {
      if (i + 1 >= tokens.size()) {
        error = "missing value for " + name;
        return false;
      }
      value = tokens[i + 1];
      i += 2;
    }
    if (!SetFieldKnob(shape, noise, name, value, error)) return false;
  }
  return true;
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  MeterConfig& m = options.meter;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool hasValue = false;
    if (const auto eq = name.find('='); eq != std::string::npos && name.rfind("--", 0) == 0) {
      value = name.substr(eq + 1);
      name.erase(eq);
      hasValue = true;
    }
    // Options without a value.
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    if (name == "--version") {
      options.version = true;
      continue;
    }
    if (name == "--exit-at-eof") {
      options.exitAtEof = true;
      continue;
    }
    if (name == "--ac") {
      m.ac = true;
      continue;
    }
    if (name == "--poweroff") {
      m.powerOff = true;
      continue;
    }
    const std::string knob = name.rfind("--", 0) == 0 ? name.substr(2) : name;
    if (!TakesValue(name) && !IsFieldKnob(knob)) {
      error = "unknown option " + name;
      return false;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        error = "missing value for " + name;
        return false;
      }
      value = args[++i];
    }
    long long n = 0;
    bool ok = true;
    if (name == "--meter")
      options.meterPath = value;
    else if (name == "--reference")
      options.referencePath = value;
    else if (name == "--unit")
      ok = ParseUnit(value, m.unit);
    else if (name == "--range")
      ok = (value == "1" || value == "2") && ((m.range2 = value == "2"), true);
    else if (name == "--wave")
      ok = ParseWave(value, m.shape.wave);
    else if (IsFieldKnob(knob)) {
      if (!SetFieldKnob(m.shape, m.noise, knob, value, error)) return false;
    } else if (name == "--temp")
      ok = ParseTemperature(value, m.temperature);
    else if (name == "--rate")
      ok = ParseDouble(value, m.rate) && m.rate >= 0 && m.rate <= 1000;
    else if (name == "--gain")
      ok = ParseIntIn(value, -32768, 65535, n) && ((m.gain = int(std::int16_t(std::uint16_t(n)))), true);
    else if (name == "--true-gain")
      ok = ParseIntIn(value, 1, 32767, n) && ((m.trueGain = int(n)), true);
    else if (name == "--state")
      m.statePath = value;
    else if (name == "--stored")
      ok = ParseIntIn(value, 0, 32000, n) && ((m.storedCount = int(n)), true);
    else if (name == "--seed")
      ok = ParseIntIn(value, 0, 0xFFFFFFFFLL, n) && ((m.seed = unsigned(n)), true);
    else {
      error = "unknown option " + name;
      return false;
    }
    if (!ok) {
      error = "bad value for " + name + ": " + value;
      return false;
    }
  }
  if (!options.help && !options.version && options.meterPath.empty()) {
    error = "--meter PATH is required";
    return false;
  }
  return true;
}

std::string HelpText() {
  return R"HELP(Usage: fluxa-sim --meter PATH [--reference PATH] [options]

Simulates the Fluxa field meter (and optionally the reference meter) on pseudo-terminals. The pty
slaves are linked at the given paths (parent directories are created, an old link is replaced)
and the links are removed on exit. "clock <ns>" (CLOCK_MONOTONIC at start) and then "ready" are
printed once the links exist. Output is paced at the line rate: 960 bytes/s for the meter
(9600 baud, 10 bits a byte), 1066 bytes/s for the reference (7 data bits). While no other process
has a port open, what the simulator sends on it is discarded, as on an unconnected line.

Lines:
  --meter PATH          link for the meter's port (required)
  --reference PATH      link for the reference meter's port
  --exit-at-eof         quit when stdin ends (for a parent that wants its child gone with it);
                        otherwise the simulator runs until SIGINT, SIGTERM or "quit"

Program:
  -h, --help            this help
  --version             the program's version
An unknown option, or an option without its value or with a bad one, is told on stderr and
ends the simulator with exit code 2.

Meter:
  --unit mT|Gs|kA/m     display unit (default mT); the field is given in this unit
  --range 1|2           measuring range (default 1)
  --ac                  alternating-field mode (status bit 0)
  --temp T|none         probe temperature in degC (default 25), none: no probe
  --rate N              result frames a second (default 10, 0: none)
  --poweroff            automatic power-off on (status bit 6; parameter address 14)
  --true-gain G         gain word at which the reading equals the field (default 20000)
  --gain W              starting gain word of all four ranges (default: the true gain)
                        reading = field x gain / true gain; gains live at addresses 0/4/8/12
                        for DC1/DC2/AC1/AC2
  --state FILE          parameter table written by the "S" command; read at start if it exists
                        (it then overrides --gain and --poweroff)
  --stored N            number of stored readings for the dump (default 200, a slow sine)
  --seed N              seed of noise and garbage (default 1)

Field (display units; time counts from start or from the last field/wave command):
  --wave const|step|sine|ramp   (default const)
  --field V             const: the value (default 0)
  --step-low L          step: L for one period, then H for one period, ... (default 0)
  --step-high H         (default 1)
  --offset O            sine: O + A sin(2 pi t / period); ramp: O + slope x (t mod period)
  --amplitude A         (default 1)
  --slope S             units per second (default 1)
  --period P            seconds (default 1)
  --noise N             the meter's own noise, uniform +-N, added before the gain (default 0);
                        the reference always reports the noiseless field

Stdin, one command a line; each is answered "ok <command>" once it took effect, or
"error <command>: <reason>". Stdin is read while it is open and, on a terminal, only while
the simulator is in the foreground; its end means no more commands (see --exit-at-eof).
  field V               constant field V
  wave KIND [knob value | knob=value]...   KIND const|step|sine|ramp, knobs as the options
                        above without "--" (field, step-low, step-high, offset, amplitude,
                        slope, period, noise); unnamed knobs keep their values
  noise N               meter noise +-N
  unit mT|Gs|kA/m       range 1|2       ac on|off       temp T|none       rate N
  poweroff on|off       status bit 6 (as a parameter frame to address 14 would)
  gain dc1|dc2|ac1|ac2 W   set a gain word (as a parameter frame would)
  gain-follow on|off    off: the reading keeps the gains of now whatever gain words come
  silence on|off        no result frames and no dump (commands below still send)
  split on|off          each result frame as two writes, 3 + 4 bytes, 5 ms apart
  garbage N             N random bytes (never AA or 55) at the line rate
  raw HEX HEX...        these bytes at the line rate
  burst N               N result frames back to back at the line rate; then "burst done t=<ms>"
  flood N               N result frames written at once, as fast as the pty takes them;
                        then "flood done t=<ms>"
  stored V1 V2 ...      replace the stored readings (int16 each)
  hangup [meter|reference]  close that pty (default meter) and remove its link
  hangup-on-gain on|off close the meter's pty as the next parameter frame comes in, after its
                        first three bytes (the device pulled while a gain is written)
  ref-silent on|off     the reference meter stops / resumes answering
  ref-classifier C      classifier character of measurement replies (default 0)
  ref-decade D|auto     decade digit of measurement replies ('1'..'7' rescale the digits,
                        any other character is sent as it is; auto: the best decade)
  ref-channel C|echo    channel digit of measurement replies (echo: the channel asked)
  ref-lo-reply T|echo   answer to ESC LO1/LO2 CR (\r \e \xHH allowed; echo: "LO1"/"LO2")
  status                one line "status key=value ..." with the whole state
  quit                  remove the links and exit

Stdout, besides the answers:
  rx meter AA 55 43 0E 01 00 t=<ms>    each 6-byte frame from the application (resync on AA 55)
  rx meter-garbage 12 34 t=<ms>        bytes that did not start a frame
  rx reference \eME100000000\r t=<ms>  each reference command up to CR (\e ESC, \r CR, \xHH)
  state saved FILE                     after "S" ("state not saved (no --state)" without a file)
  dump done t=<ms>                     the last byte of the dump has been sent
  burst done t=<ms>, flood done t=<ms>
t is milliseconds since the simulator started, on the monotonic clock.

Meter commands from the application: "S" saves the parameter table; "H" stops the result stream
(and resumes it on the next "H"); "V" sends the dump (word 5001 + status x 256, then the stored
readings, int16 little-endian) and then stays silent until "H".
)HELP";
}

}  // namespace sim
