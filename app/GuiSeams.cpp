#include "app/GuiSeams.h"

#include <QApplication>
#include <QMessageBox>

#include "common/Messages.h"

void InstallGuiSeams() {
  SetMessageSink([](const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  });
}
