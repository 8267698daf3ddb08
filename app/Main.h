#pragma once
// TMainWin: the application's main window. It owns the meter link ComPort1 and its receiver,
// shows live results, and in service mode the service panel. Controls are members named as
// the components; handlers are named after control and event and call into fluxa_core.
#include <QHash>
#include <QMainWindow>
#include <QTimer>

#include "app/ServicePanel.h"
#include "link/ComPort.h"
#include "link/MeterProtocol.h"
#include "link/Supervision.h"
#include "measurement/Filters.h"
#include "measurement/ResultSequence.h"
#include "measurement/MeasurementResult.h"
#include "publish/LivePublishing.h"
#include "records/DataExport.h"
#include "records/Download.h"
#include "records/Recorder.h"
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QToolButton;
class QFrame;
class QImage;
class QWidget;
class TWykresScale;
class TWykresWidget;
class TPobierzWin;
class RepaintThrottle;

// The main window's caption; a data file on show is named after it.
inline const QString kMainCaption = QStringLiteral("Ferrolab - Fluxa 3.1");

class TMainWin : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainWin(QWidget* parent = nullptr);
  ~TMainWin() override;

  void ApplyLanguage();
  // Publishing to MQTT as the settings store says: started, restarted or stopped. ask: the
  // password is asked when the environment has none and the settings name a user.
  void StartPublishing(bool ask);
  const LivePublishing& Publishing() const { return publishing_; }
  // The download wait dialog, created by the program entry after the main window.
  void SetPobierzWin(TPobierzWin* dialog);
  void ShowServiceMode();
  void HideServiceMode();
  bool InServiceMode() const;

  // Menu
  QMenu* Plik1;
  QAction* Otwrz1;
  QAction* Zapisz1;
  QAction* Zakoncz;
  QAction* N10;
  QAction* ExportCsv1;   // "Eksportuj do CSV…"
  QAction* ChartPng1;    // the chart as a PNG at its size
  QAction* ChartPng2x1;  // and at twice its size
  QAction* N6;
  QAction* Pobierzwynikizurzdzenia1;
  QAction* N1;
  QAction* Koniec1;
  QMenu* Widok1;
  QAction* Minmax1;
  QAction* Danezurzdzenia1;
  QMenu* Serwis;
  QAction* Zmieuytkownika1;
  QAction* N5;
  QAction* Wyjdztryb1;
  QMenu* Ustawienia;
  QAction* Poczony1;
  QMenu* Trans;
  QAction* COM11;
  QAction* COM21;
  QAction* Zmieautomatycznewyczanie1;
  QAction* N4;
  QAction* Ustawieniaserwisowe1;
  QAction* N3;
  QAction* ZmienJezyk;
  QMenu* Raport1;
  QAction* Twrzraport1;
  QMenu* Pomoc1;
  QAction* Instrukcjaobsugi1;
  QAction* N7;
  QAction* N2;
  QAction* OProgramie1;

  // Panels and controls
  QFrame* Panel1;
  QGroupBox* GroupBox1;
  QGroupBox* GroupBox4;
  QFrame* Panel11;
  QLabel* SWynik;
  QLabel* Falka;
  QLabel* BP;
  QToolButton* LastWYnik;
  QToolButton* OneWynik;
  QLabel* STemp;
  QLabel* stopien;
  QFrame* Panel2;
  QCheckBox* Dane;
  QLabel* Min1;
  QLabel* Max1;
  QLabel* Avr1;
  QLabel* Min;
  QLabel* Max;
  QLabel* Avr;
  QPushButton* Button1;
  QFrame* Panel4;
  QCheckBox* filtr;
  QLineEdit* Tau;
  QFrame* Panel8;
  QLabel* Panel9;
  QPushButton* S_Polacz;
  QPushButton* S_Zapisz;
  QPushButton* SpeedButton1;
  QPushButton* Button2;
  QFrame* Panel6;
  QCheckBox* Autoskalowanie;
  QLabel* Label13;
  QLabel* Label14;
  QSlider* W;
  QSlider* O;
  TWykresWidget* Wykres1;
  TWykresScale* Wykres1Scale;  // round values of the chart's range, beside it
  QSlider* TrackBar1;
  QToolButton* Kosz;
  // The service panel and, under the names the program uses, its controls.
  TServicePanel* Send;
  QToolButton* UkrysSerwis;
  QToolButton* PokazSerwis;
  QPushButton* Odbierz;
  QPushButton* Wyslij;
  QCheckBox* filtrTemp;
  QLineEdit* TauTemp;
  QLabel* SSkok;
  QPushButton* Button3;
  QLabel* StatusPanel0;
  QLabel* StatusPanel1;
  QLabel* StatusMqtt;  // the state of publishing, while results are published
  QTimer SprPolacz;
  QTimer Timer1;
  QTimer ZmienStan;
  QTimer RecordingCount;  // the status line's count while a recording runs

  TComPort* ComPort1;
  MeterReceiver& Receiver() { return receiver_; }
  StoredSeries& Series() { return series_; }
  const DigitalFilter& Filter() const { return digitalFilter_; }
  const Statistics& Stats() const { return statistics_; }

  // Handlers
  void Poczony1Click();
  void COM11Click();
  void COM21Click();
  void ComPort1Open();
  void ComPort1Close();
  // After the device went away under the open port: as "Rozłącz", then the port is tried again
  // until it opens or the user connects or picks another port himself.
  void ComPort1DeviceLost();
  void AutoReconnectTimer();
  bool AutoReconnecting() const { return autoReconnect_.isActive(); }
  static constexpr int kAutoReconnectMs = 500;
  void SprPolaczTimer();
  void StartAgainForNewQuantity();
  void ShowPortBusy(bool busy);
  // The caption names a data file on show, and the way back to live results.
  void UpdateCaption();
  void TimeOutClick();
  void ComPort1RxChar(int count);
  // The receive algorithm and everything a completed frame causes, for bytes already read.
  void HandleArrival(const QByteArray& bytes);
  void LastWYnikClick();
  void OneWynikClick();
  void UkrysSerwisClick();
  void PokazSerwisClick();
  void Koniec1Click();
  void filtrClick(bool on);
  void filtrTempClick(bool on);
  void DaneClick(bool on);
  void Minmax1Click();
  void Button1Click();
  void Button3Click();
  void Danezurzdzenia1Click();
  void AutoskalowanieClick(bool on);
  void WChange();
  void TrackBar1Change();
  void Timer1Timer();
  void Zapisz1Click();
  void ZakonczClick();
  void RecordingCountTimer();
  // The data file on show, or one chosen, as a table for a spreadsheet.
  void ExportCsv1Click();
  // The chart's own pixels as a PNG, each made scale × scale.
  void S_ZapiszClick();
  void Otwrz1Click();
  void Pobierzwynikizurzdzenia1Click();
  void ZmienStanTimer();
  void AnulujClick();
  // At start: each recording a crash left behind is offered to keep as its data file or discard.
  void OfferLeftRecordings();
  const Recorder& Recording() const { return recorder_; }
  const Download& Downloading() const { return download_; }
  const RepaintThrottle* Throttle() const { return repaintThrottle_; }
  RepaintThrottle* Throttle() { return repaintThrottle_; }
  TPobierzWin* PobierzWin();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void WireHandlers();
  void BuildMenu();
  void BuildPanels();
  void BuildStatusBar();
  void FormCreate();
  void FormClose();
  void ProcessResult(const ResultFrame& frame);
  void ShowResult(const MeasurementResult& result);
  void UpdatePowerOffIndicator(bool on);
  void PaintIndicators(LinkEvent event);
  void UpdatePauseButton();
  bool FileShown() const;
  double FileTimeConstant() const;  // the filter applied to a file shown
  void ShowDisconnected(LinkEvent event);
  bool Connect(bool quiet);
  void ShowSeriesWindow();
  // Ends a recording as "Zakończ zapisywanie do pliku" does. A data file that cannot be written
  // asks for another name; given up while the program ends, the recovery file stays for the
  // next start to offer.
  void StopRecording(bool exiting);
  void UpdateChartScale();
  QImage ChartPicture(int scale);  // the chart and its scale, each pixel made scale x scale
  // "Eksportuj do CSV…" while the live results are shown: those since "Połącz" or "c".
  bool LiveResultsShown() const;
  void ExportLiveResults();
  QString UnitOfFile(const QString& fileName) const;
  void CloseLostLinkMessage();
  void ShowPublishingState();
  void FollowPublishedMeter(bool typing);
  void ShowPendingLabels();

  MeterReceiver receiver_;
  TPobierzWin* pobierzWin_ = nullptr;
  FirstResultFlag firstResult_;
  DigitalFilter digitalFilter_;
  TemperatureFilter temperatureFilter_;
  MaximumJump maximumJump_;
  QuantityWatch quantity_;  // the unit and mode of the last result
  Statistics statistics_;
  StoredSeries series_;
  Recorder recorder_{series_};
  LiveResults liveResults_;  // shown since "Połącz" or "c"
  LivePublishing publishing_;
  // What the labels owe to the last result, until the next paint: texts are made only for what
  // is painted. statistics holds the decimal class the statistics' texts are written in.
  struct PendingLabels {
    std::optional<QString> jump;
    std::optional<int> statistics;
    std::optional<MeasurementResult> result;
  } pendingLabels_;
  QTimer publishingState_;  // the count of what waits changes without a change of state
  Download download_;
  std::unique_ptr<TPobierzWin> ownPobierzWin_;  // when no program entry gave one
  bool singleResultWanted_ = false;
  bool closing_ = false;
  bool deviceLost_ = false;  // set by the port just before it closes itself
  std::optional<bool> shownPowerOff_;  // what the power-off menu item shows; none after relabelling
  QTimer autoReconnect_;
  RepaintThrottle* repaintThrottle_ = nullptr;  // a child: at most one repaint per frame
  QString shownFile_;        // the data file in the file view
  QString liveUnit_;         // the unit of the latest result on the chart (" mT")
  QHash<QString, QString> knownUnits_;  // data files this run recorded, by absolute path
  QString lostLinkText_;     // the lost-link message while it may be shown
  int shownCount_ = -1;      // the count the status line shows
};
