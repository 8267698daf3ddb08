#pragma once
// Download of the readings stored in the meter, driven by the main window's 600 ms timer
// ZmienStan while the wait dialog is shown.
//
// Wire: command frames AA 55 letter 00 00 00 (MeterCommands.h), the meter answers nothing but
// the dump. "H" stops the meter's result stream (and on a second "H" resumes it, or ends a
// dump); "V" makes it send the dump: int16 words, little-endian, word 1 = 5001 + status * 256,
// then the stored readings, then silence until the next "H".
//
//   Begin     "H", 300 ms pause                           stage 1
//   tick 1    mode 1; 500 ms, "V", 500 ms, dump emptied   stage 2, mode 2 (the dump collects)
//   tick 2..  mode 2; while the receiver saw data since the link check last cleared its flag,
//             wait; once a tick finds the flag clear the line has gone quiet: stage 0, mode 0,
//             "H", and the whole dump is converted and written
//   Cancel    stage 0, mode 0, "H"; no file
//
// The pauses block the GUI thread on purpose: the meter needs them between commands, and the
// dump's bytes wait in the port until the event loop runs again, by then in mode 2.
//
// The end of the transfer is seen through the receiver's data-seen flag, which only the
// window's 500 ms link check (SprPolaczTimer) clears; Tick never clears it. So the window must
// keep the link check running during a download and leave the flag to it. Entering stage 2
// the flag is whatever the link check left: the dump's first bytes are still in the port then,
// and the 600 ms between ticks always holds one link check after the last arrival.
#include <QString>
#include <QStringList>

class MeterReceiver;
class TComPort;

struct DownloadTick {
  enum Kind {
    Nothing,    // stage 0, or stage 2 with data still arriving
    Receiving,  // stage 1 done: the wait dialog's label becomes "Trwa odbieranie wyniku.."
    Finished,   // the file is written (or failed: written false); close the wait dialog
  };
  Kind kind = Nothing;
  bool written = false;  // Finished: false means show kWriteErrorText
  int lineCount = 0;     // Finished: results written
};

class Download {
 public:
  enum Stage { kIdle = 0, kRequested = 1, kReceiving = 2 };

  // After the save dialog gave fileName: "H" and its pause; stage 1. The window then starts
  // ZmienStan and shows the wait dialog.
  void Begin(TComPort& port, const QString& fileName);
  // One ZmienStan tick. Stage 1 blocks for a second: stop ZmienStan before the tick and start
  // it again after, so the next tick comes a full interval after "V".
  DownloadTick Tick(MeterReceiver& receiver, TComPort& port);
  // Anuluj: stage 0, mode 0, "H"; no file. Nothing when idle.
  void Cancel(MeterReceiver& receiver, TComPort& port);
  // The wait dialog closed: stage 0 and mode 0, nothing sent.
  void Reset(MeterReceiver& receiver);

  Stage stage() const { return stage_; }
  bool Active() const { return stage_ != kIdle; }
  QString FileName() const { return fileName_; }
  // The value texts of the last finished download, in file order.
  const QStringList& Texts() const { return texts_; }

 private:
  DownloadTick Finish(MeterReceiver& receiver, TComPort& port);

  Stage stage_ = kIdle;
  QString fileName_;
  QStringList texts_;
};

// Value texts of a dump: the header word's class, each accepted word as the number itself
// with that class's decimals. Every word of the dump, however long.
QStringList DumpValueTexts(const QByteArray& dump);
