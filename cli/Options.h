#pragma once
// fluxa-cli's command line: "fluxa-cli COMMAND [OPTIONS] [FILE]", and the help of each command.
#include <QString>
#include <QStringList>
#include <optional>

struct CliOptions {
  QString command;  // "" with --help or --version alone
  bool help = false;
  bool version = false;
  QString port = QStringLiteral("COM1");
  int count = 0;  // 0: no end but Ctrl+C or the device
  int every = 1;
  double duration = 0;  // seconds; 0: no end by time
  double timeout = 0;   // seconds without a result that end the command; 0: none
  QString format;
  QString out;
  QString file;
  QString serial;  // history --serial: the serial numbers that contain it
  QString number;  // history --number: one record's whole content
  QString mqtt;    // --mqtt URL: results also go to this broker
  QString mqttCa;  // --mqtt-ca FILE
  QString owner;   // db setup --owner NAME: the schema's owner on the server
  QString argument;  // people: the ID after the action
  QString name;      // people add --name: the printed name
  QString role;      // people add --role: technician or approver
  QString id;        // approve --id: the approver's id in the register
  QString dcc;     // certificate --dcc FILE.xml: the DCC beside the PDF too
  bool store = false;
  bool dryRun = false;
};

struct ParsedCommandLine {
  std::optional<CliOptions> options;
  QString error;  // one line, when options is empty
};

// arguments without the program's name. The messages are in the language already chosen
// (Texts.h); --lang is accepted before the command and after it.
ParsedCommandLine ParseCommandLine(const QStringList& arguments);

// The program's help for "" or an unknown command, else the command's.
QString HelpText(const QString& command);

// The most seconds --duration and --timeout take (about 23 days).
inline constexpr double kMostSeconds = 2000000;
