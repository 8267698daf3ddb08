#pragma once
// TkKalibracja: the calibration wizard's window. Created once at start and kept for the whole
// run; it drives the meter under calibration and the reference meter on two ports.
#include <QWidget>

class TkKalibracja : public QWidget {
  Q_OBJECT
 public:
  explicit TkKalibracja(QWidget* parent = nullptr);
};
