#pragma once
// The program's windows, created in a fixed order: the start-up screen, the main window, the
// password dialog, the user dialog, the download wait dialog and the calibration wizard. Each
// lives as long as the application; the others (language, step, report, card) are made on demand.
#include <memory>

class TAboutWin;
class TMainWin;
class THasloWin;
class TUzytkownikWin;
class TPobierzWin;
class TkKalibracja;

class FluxaApplication {
 public:
  FluxaApplication();
  ~FluxaApplication();
  // Shows the start-up screen; it shows the main window when it goes.
  void Start();

  TAboutWin& AboutWin() { return *aboutWin_; }
  TMainWin& MainWin() { return *mainWin_; }
  THasloWin& HasloWin() { return *hasloWin_; }
  TUzytkownikWin& UzytkownikWin() { return *uzytkownikWin_; }
  TPobierzWin& PobierzWin() { return *pobierzWin_; }
  TkKalibracja& Kalibracja() { return *kalibracja_; }

 private:
  void WireMenu();

  std::unique_ptr<TAboutWin> aboutWin_;
  std::unique_ptr<TMainWin> mainWin_;
  std::unique_ptr<THasloWin> hasloWin_;
  std::unique_ptr<TUzytkownikWin> uzytkownikWin_;
  std::unique_ptr<TPobierzWin> pobierzWin_;
  std::unique_ptr<TkKalibracja> kalibracja_;
};
