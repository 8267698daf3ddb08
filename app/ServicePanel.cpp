#include "app/ServicePanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/Glyphs.h"
#include "app/MainForm.h"

TServicePanel::TServicePanel(QWidget* parent) : QGroupBox(QStringLiteral(" Kalibracja "), parent) {
  setObjectName("Send");
  setAutoFillBackground(true);
  UkrysSerwis = Named(new QToolButton(this), "UkrysSerwis", QRect(503, 2, 22, 22));
  UkrysSerwis->setIcon(HidePanelGlyph());
  UkrysSerwis->setAutoRaise(true);
  TabSheet1 = Named(new QGroupBox(QStringLiteral(" Diagnostyka "), this), "TabSheet1",
                    QRect(8, 22, 300, 100));
  filtrTemp = Named(new QCheckBox(QStringLiteral("Filtr temperatury"), TabSheet1), "filtrTemp",
                    QRect(8, 20, 150, 20));
  TauTemp = Named(new QLineEdit(TabSheet1), "TauTemp", QRect(160, 19, 70, 22));
  SSkok = Named(new QLabel(QStringLiteral("Maksymalny skok: "), TabSheet1), "SSkok",
                QRect(8, 50, 220, 18));
  Button3 = Named(new QPushButton(QStringLiteral("Kasuj"), TabSheet1), "Button3",
                  QRect(230, 47, 60, 24));
  Wyslij = Named(new QPushButton(QStringLiteral("Wyslij"), this), "Wyslij", QRect(440, 200, 80, 26));
  Wyslij->setEnabled(false);
  Odbierz = Named(new QPushButton(QStringLiteral("Czyść"), this), "Odbierz", QRect(354, 200, 80, 26));
}
