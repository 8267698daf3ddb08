// fluxa-cli ports and export: the commands that need no meter.
#include <QFileInfo>
#include <QLocale>
#include <climits>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/Texts.h"
#include "link/PortNames.h"
#include "records/DataExport.h"
#include "records/DataFile.h"
#include "settings/Jezyki.h"
#include "settings/SettingsStore.h"

int RunPorts(const CliOptions&) {
  QByteArray lines;
  for (const QString& name : ProgramPortNames()) {
    QString source = QStringLiteral("default");
    if (!DeviceFromEnvironment(name).isEmpty())
      source = QStringLiteral("environment ") + PortVariable(name);
    else if (!StoredDeviceForPort(name).isEmpty())
      source = QStringLiteral("settings store ") + SettingsStoreLocation();
    lines += (name + u'\t' + DeviceForPort(name) + u'\t' + source + u'\n').toUtf8();
  }
  WriteOut(lines);
  return kExitDone;
}

int RunExport(const CliOptions& options) {
  if (!QFileInfo::exists(options.file)) {
    Complain(Text(Msg::NoSuchFile).arg(options.file));
    return kExitData;
  }
  const DataFileLines read = ReadDataFileLines(options.file, INT_MAX);
  if (!read.ok) {
    Complain(Text(Msg::CannotReadFile).arg(options.file));
    return kExitData;
  }
  // The data file carries no unit; a script reads C-locale numbers.
  const ExportedTable table = options.format == QLatin1String("json")
                                  ? DataLinesToJson(read.lines, QString())
                                  : DataLinesToCsv(read.lines, QString(), CsvStyleFor(QLocale::c()));
  if (!table.ok) {
    // The window's own words for it, the text quoted: its spaces matter.
    Complain(options.file + QStringLiteral(": ") +
             LookupText(81).arg(QString::number(table.badLine), u'"' + table.badText + u'"'));
    return kExitData;
  }
  // The table's CSV is a spreadsheet's, in CR LF lines; a pipe to awk or cut wants LF alone.
  QByteArray data = table.data;
  data.replace("\r\n", "\n");
  WriteOut(data);
  return kExitDone;
}
