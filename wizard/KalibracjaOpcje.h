#pragma once
// TkOpcje: the wizard's tab "Opcje": the reference meter's channel and the settings of both of
// the wizard's ports. Each picker is bound to one setting of one port and applies a choice at
// once; the pickers of an open port are disabled, since a setting takes effect at the next open.
// The hidden panels hold the ports' manual controls and the formatted readings. Below them the
// reference standard (model, serial, certificate, due date, its expanded uncertainty with its k,
// its resolution and unit), the as-left tolerance (% of reading and last digits), the probe
// position and field uniformity term and the decision rule, typed once and kept in the settings for every calibration's record, and
// "Szybkie szukanie" (the secant search instead of the bisection), kept there too.
#include <QWidget>
#include <functional>

class QComboBox;
class QDateEdit;
class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class TComPort;
class TwoMeterLink;

class TkOpcje : public QWidget {
  Q_OBJECT
 public:
  TkOpcje(TwoMeterLink& link, QWidget* parent = nullptr);

  // Puts the meter under calibration on `calibratedPort` and the reference meter on the other
  // program port, through the port pickers. A port that is open keeps its name.
  void PairPorts(const QString& calibratedPort);
  // Shows the ports' settings in the pickers and enables the pickers of closed ports.
  void ShowPorts();
  // Shows the reference standard, the tolerance and the choice of search as the settings hold
  // them.
  void ShowReference();

  QGroupBox* kOpcjeGroupBox1;
  // The channel chosen; the wizard's steps take it or refuse it (the picker is then shown back).
  std::function<void(int channel)> OnChannelChosen;
  QComboBox* kWybierzKanal;
  QComboBox* kComComboBox3;  // port
  QComboBox* kComComboBox1;  // baud rate
  QComboBox* kComComboBox5;  // data bits
  QComboBox* kComComboBox8;  // stop bits
  QComboBox* kComComboBox7;  // parity
  QComboBox* kComComboBox6;  // flow control
  QWidget* WzorPanel;
  QPushButton* WzorPolacz;
  QPushButton* WzorSetMaster;
  QPushButton* WzorSetSlave;
  QPushButton* WzorRozlacz;
  QPushButton* WzorPomiar;
  QLabel* Label12;

  QGroupBox* kOpcjeGroupBox2;
  QComboBox* ComComboBox4;   // port
  QComboBox* ComComboBox2;   // baud rate
  QComboBox* ComComboBox9;   // data bits
  QComboBox* ComComboBox10;  // stop bits
  QComboBox* ComComboBox11;  // parity
  QComboBox* ComComboBox12;  // flow control
  QWidget* KalibPanel;
  QPushButton* KalibPolacz;
  QPushButton* KalibRozlacz;
  QPushButton* KalibPomiar;  // has no action
  QLabel* Label13;

  QGroupBox* kWzorzecGroupBox;
  QLineEdit* kWzorzecModel;
  QLineEdit* kWzorzecNumer;
  QLineEdit* kWzorzecSwiadectwo;
  QDateEdit* kWzorzecWaznosc;
  QDoubleSpinBox* kWzorzecNiepewnosc;
  QDoubleSpinBox* kWzorzecK;              // the k of its stated uncertainty
  QDoubleSpinBox* kWzorzecRozdzielczosc;  // its last digit
  QComboBox* kWzorzecJednostka;           // the unit it reads in; must be the meter's
  QDoubleSpinBox* kTolerancja;
  QDoubleSpinBox* kTolerancjaCyfry;       // the tolerance's last digits beside its %
  QDoubleSpinBox* kJednorodnosc;          // probe position and field uniformity, % of reading
  QComboBox* kRegula;                     // the decision rule
  QCheckBox* kSzybkieSzukanie;

 private:
  QGroupBox* BuildReference();
  void KeepReference();
  struct Pickers {
    QComboBox* port;
    QComboBox* baud;
    QComboBox* dataBits;
    QComboBox* stopBits;
    QComboBox* parity;
    QComboBox* flow;
  };
  QGroupBox* BuildGroup(const QString& title, const char* name, TComPort& port, Pickers& pickers,
                        const char* const names[6], QComboBox* channel);
  void Bind(TComPort& port, const Pickers& pickers);
  void Show(const TComPort& port, const Pickers& pickers);

  TwoMeterLink& link_;
  Pickers wzor_{};
  Pickers kalib_{};
  bool showing_ = false;
};
