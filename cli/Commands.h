#pragma once
// fluxa-cli's commands; each returns the program's exit code (ExitCodes.h).
#include "cli/Options.h"

int RunPorts(const CliOptions& options);
int RunWatch(const CliOptions& options);
int RunRecord(const CliOptions& options);
int RunDownload(const CliOptions& options);
int RunSend(const CliOptions& options);
int RunExport(const CliOptions& options);
