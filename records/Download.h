#pragma once
// Download of the readings stored in the meter, driven by a timer of its caller (the main
// window's ZmienStan, fluxa-cli's tick) while the wait dialog is shown. Nothing here blocks:
// after Begin and after every Tick the caller starts its timer again with NextTickMs().
//
// Wire: command frames AA 55 letter 00 00 00 (MeterCommands.h), the meter answers nothing but
// the dump. "H" stops the meter's result stream (and on a second "H" resumes it, or ends a
// dump); "V" makes it send the dump: int16 words, little-endian, word 1 = 5001 + status * 256,
// then the stored readings, then silence until the next "H".
//
//   Begin     "H"; stage 1; the first tick 300 + 600 ms later    (results in flight still shown)
//   tick      mode 1 (arrivals dropped); the next tick 500 ms later
//   tick      what the port holds is dropped (it came before "V"), the dump emptied, mode 2,
//             "V"; stage 2; from now on every byte is the dump's
//   tick..    every 100 ms: what the port holds is taken into the dump at once (so a busy event
//             loop cannot pass for a quiet line), and the dump has ended once no byte came for
//             kSilenceMs (kFirstByteMs before its first byte): stage 0, mode 0, "H", and the
//             whole dump is checked, converted and written
//   Cancel    stage 0, mode 0, "H"; no file
//
// A dump is written only when it is whole by what it can tell of itself: it begins with its
// header word (5001 + a status byte times 256) and holds whole words. Otherwise nothing is
// written (an existing file stays as it was) and the caller tells why.
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

class MeterReceiver;
class TComPort;

struct DownloadTick {
  enum Kind {
    Nothing,    // stage 0, or stage 1 or 2 still under way
    Receiving,  // "V" sent: the wait dialog's label becomes "Trwa odbieranie wyniku.."
    Finished,   // the dump has ended; see outcome
  };
  enum Outcome {
    Written,      // the file holds the dump's readings
    WriteFailed,  // kWriteErrorText
    NoDump,       // nothing came after "V"
    NoHeader,     // the first word is no header word: not the meter's dump, or its start was lost
    OddLength,    // a byte more or less than whole words: a byte was lost or added on the line
  };
  Kind kind = Nothing;
  Outcome outcome = Written;
  int lineCount = 0;  // Finished and Written: results written
  bool written() const { return kind == Finished && outcome == Written; }
};

class Download {
 public:
  enum Stage { kIdle = 0, kRequested = 1, kReceiving = 2 };
  static constexpr int kAfterFirstHoldMs = 300;
  static constexpr int kTickMs = 600;
  static constexpr int kAroundDumpRequestMs = 500;
  static constexpr int kDumpPollMs = 100;
  // The dump has ended when the line has been quiet this long after its last byte; before the
  // first byte the meter is given a little longer to start.
  static constexpr int kSilenceMs = 1000;
  static constexpr int kFirstByteMs = 1500;

  // After the save dialog gave fileName: "H"; stage 1. The caller starts its timer with
  // NextTickMs() and shows the wait dialog.
  void Begin(TComPort& port, const QString& fileName);
  // One tick of the caller's timer; the caller starts it again with NextTickMs() afterwards.
  DownloadTick Tick(MeterReceiver& receiver, TComPort& port);
  // Anuluj: stage 0, mode 0, "H"; no file. Nothing when idle.
  void Cancel(MeterReceiver& receiver, TComPort& port);
  // The wait dialog closed: stage 0 and mode 0, nothing sent.
  void Reset(MeterReceiver& receiver);
  // How long until the next tick is due.
  int NextTickMs() const { return nextTickMs_; }

  Stage stage() const { return stage_; }
  bool Active() const { return stage_ != kIdle; }
  QString FileName() const { return fileName_; }
  // The value texts of the last finished download, in file order.
  const QStringList& Texts() const { return texts_; }

 private:
  DownloadTick Request(MeterReceiver& receiver, TComPort& port);
  DownloadTick Collect(MeterReceiver& receiver, TComPort& port);
  DownloadTick Finish(MeterReceiver& receiver, TComPort& port);

  Stage stage_ = kIdle;
  bool holding_ = false;  // stage 1: mode 1 set, "V" due at the next tick
  int nextTickMs_ = kTickMs;
  qsizetype dumpSeen_ = 0;
  QElapsedTimer sinceByte_;  // since "V", then since the dump last grew
  QString fileName_;
  QStringList texts_;
};

// What a collected dump is: Written when it begins with a header word and holds whole words,
// else why not (never WriteFailed).
DownloadTick::Outcome CheckDump(const QByteArray& dump);
// Value texts of a dump: the header word's class, each accepted word as the number itself
// with that class's decimals. Every word of the dump, however long.
QStringList DumpValueTexts(const QByteArray& dump);
// What the user is told for an outcome other than Written, in the program's language.
QString DownloadOutcomeText(DownloadTick::Outcome outcome);
