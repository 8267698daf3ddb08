#include "wizard/KalibracjaMain.h"

TkKalibracja::TkKalibracja(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("kKalibracja");
  setWindowTitle(QStringLiteral("Kalibracja"));
}
