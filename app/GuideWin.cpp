#include "app/GuideWin.h"

#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "settings/Jezyki.h"
#include "settings/ProgramLanguage.h"

TGuideWin::TGuideWin() : QWidget(nullptr, Qt::Window) {
  Q_INIT_RESOURCE(guide);  // the resource lives in a static library: it must be asked for
  setObjectName("GuideWin");
  SpisTresci = new QPushButton(this);
  SpisTresci->setObjectName("SpisTresci");
  Wstecz = new QPushButton(this);
  Wstecz->setObjectName("Wstecz");
  Wstecz->setEnabled(false);
  Tekst = new QTextBrowser(this);
  Tekst->setObjectName("Tekst");
  Tekst->setOpenExternalLinks(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(SpisTresci);
  buttons->addWidget(Wstecz);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(Tekst);
  resize(820, 640);

  connect(SpisTresci, &QPushButton::clicked, this, [this] { Tekst->setSource(StartPage()); });
  connect(Wstecz, &QPushButton::clicked, Tekst, &QTextBrowser::backward);
  connect(Tekst, &QTextBrowser::backwardAvailable, Wstecz, &QPushButton::setEnabled);
  connect(&ProgramLanguageSwitch(), &LanguageSwitch::Switched, this, [this] {
    ApplyLanguage();
    if (isVisible()) Tekst->setSource(StartPage());
  });
  ApplyLanguage();
}

QUrl TGuideWin::StartPage() {
  const bool english = CurrentLanguage == QLatin1String("Angielski");
  return QUrl(english ? QStringLiteral("qrc:/guide/en/index.html")
                      : QStringLiteral("qrc:/guide/pl/index.html"));
}

void TGuideWin::ShowGuide() {
  ApplyLanguage();
  Tekst->setSource(StartPage());
  Tekst->clearHistory();
  show();
  raise();
  activateWindow();
}

void TGuideWin::ApplyLanguage() {
  setWindowTitle(LookupText(74) + QStringLiteral(" - Fluxa 3.1"));
  SpisTresci->setText(LookupText(84));
  Wstecz->setText(LookupText(85));
}
