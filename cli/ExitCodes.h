#pragma once
// What fluxa-cli tells its caller, in the Unix manner.
enum ExitCode {
  kExitDone = 0,
  kExitUsage = 1,          // a bad command line, or no service access for "send"
  // the port cannot be opened (missing, busy, no rights), the device went away or did not
  // answer: a --timeout without a result, a watch or record that ends (Ctrl+C, --duration)
  // without a single result
  kExitDevice = 2,
  kExitData = 3,           // a file that cannot be read or written, or data that is refused
  kExitBenchTaken = 4,     // the records server gives this bench id to another installation
  kExitChainBroken = 5,    // verify: a record changed, removed, inserted or replaced
  kExitInterrupted = 130,  // a download ended by Ctrl+C: no file (128 + SIGINT, as shells do)
};
