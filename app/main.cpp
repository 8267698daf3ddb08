#include <QApplication>

#include "app/GuiSeams.h"
#include "app/Main.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Fluxa"));
  InstallGuiSeams();
  TMainWin mainWin;
  mainWin.show();
  return app.exec();
}
