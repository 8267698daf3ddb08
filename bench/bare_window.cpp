// The least a Qt Widgets program does to show a window: bench/startup measures the program's
// start to its first window mapped against this, in the same run.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel hello(QStringLiteral("Hello"));
  hello.resize(320, 200);
  hello.show();
  return app.exec();
}
