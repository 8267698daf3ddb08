#pragma once
// fluxa-cli's commands; each returns the program's exit code (ExitCodes.h).
#include "cli/Options.h"

int RunPorts(const CliOptions& options);
int RunWatch(const CliOptions& options);
int RunRecord(const CliOptions& options);
int RunDownload(const CliOptions& options);
int RunSend(const CliOptions& options);
int RunExport(const CliOptions& options);
int RunHistory(const CliOptions& options);
int RunCertificate(const CliOptions& options);
int RunVerify(const CliOptions& options);
int RunDb(const CliOptions& options);
int RunPeople(const CliOptions& options);
int RunApprove(const CliOptions& options);
// Whether the command line asks for a command that draws pages, which needs the fonts of a GUI
// application (arguments without the program's name).
bool CommandDrawsPages(const QStringList& arguments);
