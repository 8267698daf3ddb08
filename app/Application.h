#pragma once
// The program's windows: the start-up screen first, then, once it is up (or at the first call of
// an accessor), the main window with the password dialog, the user dialog and the download wait
// dialog. Each lives as long as the application; the others (language, step, report, card, ports)
// are made on demand, the user's guide and the calibration wizard at their first use. The command
// line's options (settings/StartOptions.h) choose the language and whether the port is connected
// at start.
#include <memory>

#include "settings/StartOptions.h"

class TAboutWin;
class TMainWin;
class THasloWin;
class TUzytkownikWin;
class TPobierzWin;
class TkKalibracja;
class TGuideWin;
class THistoryWin;
class QAction;

class FluxaApplication {
 public:
  explicit FluxaApplication(const StartOptions& options = {});
  ~FluxaApplication();
  // Shows the start-up screen; it shows the main window when it goes. With --connect the chosen
  // port is connected at once, as "Połącz" does.
  void Start();

  TAboutWin& AboutWin() { return *aboutWin_; }
  // The main window and its dialogs, made at the first call.
  TMainWin& MainWin();
  THasloWin& HasloWin() { MainWin(); return *hasloWin_; }
  TUzytkownikWin& UzytkownikWin() { MainWin(); return *uzytkownikWin_; }
  TPobierzWin& PobierzWin() { MainWin(); return *pobierzWin_; }
  TkKalibracja& Kalibracja();  // made at its first use
  TGuideWin& GuideWin();
  THistoryWin& HistoryWin();  // made at its first use

  // Menu items of the main window that open windows of their own.
  QAction* UserGuide1 = nullptr;    // Pomoc → Instrukcja obsługi
  QAction* PortDevices1 = nullptr;  // Ustawienia → Parametry transmisji → Urządzenia portów...
  QAction* MqttPublishing1 = nullptr;  // Ustawienia → Publikowanie MQTT…
  QAction* BazaKalibracji1 = nullptr;  // Ustawienia → Baza kalibracji…
  QAction* HistoriaKalibracji1 = nullptr;  // Serwis → Historia kalibracji…

 private:
  void MakeMainWindow();
  void MakeMenuItems();
  void WireMenu();
  void AddMenuItems();
  void LabelMenuItems();

  StartOptions options_;

  std::unique_ptr<TAboutWin> aboutWin_;
  std::unique_ptr<TMainWin> mainWin_;
  std::unique_ptr<THasloWin> hasloWin_;
  std::unique_ptr<TUzytkownikWin> uzytkownikWin_;
  std::unique_ptr<TPobierzWin> pobierzWin_;
  std::unique_ptr<TkKalibracja> kalibracja_;
  std::unique_ptr<TGuideWin> guideWin_;
  std::unique_ptr<THistoryWin> historyWin_;
};
