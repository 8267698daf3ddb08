#include "app/Application.h"

#include <QAction>
#include <QLineEdit>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QScreen>

#include "app/GuideWin.h"
#include "app/HistoryWin.h"
#include "app/Main.h"
#include "app/PrintDialogs.h"
#include "app/ServicePanel.h"
#include "app/settings/About.h"
#include "app/settings/Haslo.h"
#include "app/settings/JezykWin.h"
#include "app/settings/PortDevicesWin.h"
#include "app/settings/MqttWin.h"
#include "app/settings/DatabaseWin.h"
#include "common/Messages.h"
#include "settings/Jezyki.h"
#include "settings/ProgramLanguage.h"
#include "app/settings/Uzytkownik.h"
#include "parameters/ParameterGrid.h"
#include "parameters/PrintData.h"
#include "records/Pobieranie.h"
#include "records/RecoveryFile.h"
#include "records/raport.h"
#include "wizard/KalibracjaMain.h"

namespace {
void ShowCentred(QWidget& w) {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    w.move(screen->availableGeometry().center() - w.rect().center());
  w.show();
  w.raise();
  w.activateWindow();
}

// The main window comes back when the wizard closes. If its port had been open and does not open
// again, it is left as after "Rozłącz".
void WireKalibracja(TMainWin* main, TkKalibracja* wizard) {
  wizard->OnFinished = [main](bool mainPortLost) {
    if (mainPortLost && main->Poczony1->isChecked()) main->Poczony1Click();
    main->show();
  };
  wizard->OnGainChosen = [main](int column, int row, const QString& gainText) {
    main->Send->Sondy->SetCellText(column, row, gainText);
  };
}
}  // namespace

FluxaApplication::FluxaApplication(const StartOptions& options) : options_(options) {
  // Every run starts in Polish unless the command line chose English; the toolkit's texts too.
  SetProgramLanguage(options_.language);
  aboutWin_ = std::make_unique<TAboutWin>();
  // The start-up screen comes first: the main window and its dialogs are made once it is up (or
  // when it goes, or at the first use of an accessor), so the screen is on view sooner.
  aboutWin_->SetMainWindowSource([this] { return &MainWin(); });
  aboutWin_->OnFirstPainted = [this] { MainWin(); };
  MakeMenuItems();
}

TMainWin& FluxaApplication::MainWin() {
  if (!mainWin_) MakeMainWindow();
  return *mainWin_;
}

void FluxaApplication::MakeMainWindow() {
  mainWin_ = std::make_unique<TMainWin>();
  hasloWin_ = std::make_unique<THasloWin>(mainWin_.get());
  uzytkownikWin_ = std::make_unique<TUzytkownikWin>(mainWin_.get());
  pobierzWin_ = std::make_unique<TPobierzWin>(mainWin_.get());
  mainWin_->SetPobierzWin(pobierzWin_.get());
  AddMenuItems();
  WireMenu();
  // A double click on a data cell of Sondy hands the meter's port to the calibration wizard for
  // that range and probe.
  mainWin_->Send->OnSondyDoubleClick = [this](int column, int row) {
    if (mainWin_->Send->Transferring()) {  // the port is taken until the run ends
      ShowMessage(LookupText(155));
      return;
    }
    if (Kalibracja().OpenFor(mainWin_->ComPort1, column - 1, row, mainWin_->Send->NumerSeryjnyMiernika->text()))
      mainWin_->hide();
  };
  aboutWin_->SetMainWindow(mainWin_.get());  // may enter the service mode the screen granted
}

// The wizard's window (its charts are costly to build) is made at its first use.
TkKalibracja& FluxaApplication::Kalibracja() {
  if (!kalibracja_) {
    kalibracja_ = std::make_unique<TkKalibracja>();
    WireKalibracja(&MainWin(), kalibracja_.get());
  }
  return *kalibracja_;
}

THistoryWin& FluxaApplication::HistoryWin() {
  if (!historyWin_) historyWin_ = std::make_unique<THistoryWin>();
  return *historyWin_;
}

// The dialogs hold the main window; they go first.
FluxaApplication::~FluxaApplication() {
  historyWin_.reset();
  guideWin_.reset();
  kalibracja_.reset();
  pobierzWin_.reset();
  uzytkownikWin_.reset();
  hasloWin_.reset();
  mainWin_.reset();
  aboutWin_.reset();
}

void FluxaApplication::Start() {
  if (!LeftRecoveryFiles().isEmpty()) MainWin().OfferLeftRecordings();
  aboutWin_->ShowBox();
  if (options_.connect && !MainWin().ComPort1->Connected()) MainWin().Poczony1Click();
}

TGuideWin& FluxaApplication::GuideWin() {
  if (!guideWin_) guideWin_ = std::make_unique<TGuideWin>();
  return *guideWin_;
}

// The menu items of the windows of their own are there before the main window (a caller may
// trigger one first: the main window is made then). The guide goes above "O programie", the port
// dialog below the two port names. Their captions follow every switch of language.
void FluxaApplication::MakeMenuItems() {
  QObject* owner = aboutWin_.get();  // until the main window's menus take them
  const auto item = [owner](QAction*& action, const char* name) {
    action = new QAction(owner);
    action->setObjectName(QString::fromLatin1(name));
  };
  item(UserGuide1, "UserGuide1");
  item(PortDevices1, "PortDevices1");
  item(MqttPublishing1, "MqttPublishing1");
  item(BazaKalibracji1, "BazaKalibracji1");
  item(HistoriaKalibracji1, "HistoriaKalibracji1");
  LabelMenuItems();
  QObject::connect(&ProgramLanguageSwitch(), &LanguageSwitch::Switched, owner, [this] { LabelMenuItems(); });
  QObject::connect(UserGuide1, &QAction::triggered, owner, [this] { GuideWin().ShowGuide(); });
  QObject::connect(PortDevices1, &QAction::triggered, owner, [this] { TPortDevicesWin::Open(&MainWin()); });
  QObject::connect(MqttPublishing1, &QAction::triggered, owner, [this] { TMqttWin::Open(&MainWin()); });
  QObject::connect(BazaKalibracji1, &QAction::triggered, owner, [this] { TDatabaseWin::Open(&MainWin()); });
  QObject::connect(HistoriaKalibracji1, &QAction::triggered, owner, [this] {
    THistoryWin& history = HistoryWin();
    history.show();
    history.raise();
    history.activateWindow();
  });
}

void FluxaApplication::AddMenuItems() {
  TMainWin* main = mainWin_.get();
  const auto place = [](QAction* action, QMenu* menu, QAction* before) {
    action->setParent(menu);
    menu->insertAction(before, action);
  };
  place(UserGuide1, main->Pomoc1, main->OProgramie1);
  main->Pomoc1->insertSeparator(main->OProgramie1)->setObjectName("N8");
  main->Trans->addSeparator()->setObjectName("N9");
  place(PortDevices1, main->Trans, nullptr);
  place(MqttPublishing1, main->Ustawienia, main->N4);
  place(BazaKalibracji1, main->Ustawienia, main->N4);
  place(HistoriaKalibracji1, main->Serwis, main->N5);
}

void FluxaApplication::LabelMenuItems() {
  UserGuide1->setText(LookupText(74));
  PortDevices1->setText(LookupText(82));
  MqttPublishing1->setText(LookupText(99));
  BazaKalibracji1->setText(LookupText(114));
  HistoriaKalibracji1->setText(LookupText(122));
}

void FluxaApplication::WireMenu() {
  TMainWin* main = mainWin_.get();
  QObject::connect(main->Ustawieniaserwisowe1, &QAction::triggered, hasloWin_.get(),
                   [this] { ShowCentred(*hasloWin_); });
  QObject::connect(main->Zmieuytkownika1, &QAction::triggered, uzytkownikWin_.get(),
                   [this] { ShowCentred(*uzytkownikWin_); });
  QObject::connect(main->ZmienJezyk, &QAction::triggered, main, [main] { TJezyk::Open(main); });
  QObject::connect(main->OProgramie1, &QAction::triggered, aboutWin_.get(),
                   [this] { aboutWin_->ShowBox(); });
  QObject::connect(main->Instrukcjaobsugi1, &QAction::triggered, main, [] { OpenUserManual(); });
  QObject::connect(main->Twrzraport1, &QAction::triggered, main,
                   [main] { TRaport_Win::Open(main, ProgramDialogs()); });
  // The card reads the service panel's parameters when it prints, not when it opens.
  main->Send->OnPrint = [main, panel = QPointer<TServicePanel>(main->Send)] {
    TPrintDataWin::Open(main, ProgramDialogs(),
                        [panel] { return panel ? panel->Parameters() : MeterParameters(); });
  };
}
