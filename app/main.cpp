#include <QApplication>

#include "app/Application.h"
#include "app/GuiSeams.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Fluxa"));
  QApplication::setQuitOnLastWindowClosed(false);  // the main window's close ends the program
  InstallGuiSeams();
  FluxaApplication fluxa;
  fluxa.Start();
  return app.exec();
}
