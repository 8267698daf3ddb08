// Writes the program's icon at the given size to a PNG file: make_icon SIZE FILE. Run by the
// build (offscreen) for the desktop entry's icons.
#include <QGuiApplication>

#include <cstdio>

#include "settings/ProgramIcon.h"

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  const QStringList args = QGuiApplication::arguments();
  bool ok = false;
  const int size = args.size() == 3 ? args[1].toInt(&ok) : 0;
  if (!ok || size <= 0) {
    std::fprintf(stderr, "usage: make_icon SIZE FILE.png\n");
    return 2;
  }
  return ProgramIcon(size).save(args[2], "PNG") ? 0 : 1;
}
