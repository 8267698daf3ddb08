#pragma once
// The recovery file of a recording: NAME.F3D.part beside the data file NAME.F3D that the user
// chose. While the recording runs, every stored value text is appended to it as a data-file line
// (value text, CR LF) and handed to the system at once, so a crash or a killed process loses
// nothing that was stored; a timer syncs it to the disk within a second of a write, so a power
// cut loses at most the last second. A normal stop writes the data file, then removes it.
//
// Its name stays listed in the settings store (recovery/files) until the recording ends, so the
// next start finds it wherever it lies. NAME.F3D.part.lock marks it as in use by a running
// program: a second program started meanwhile leaves it alone.
//
// If the file cannot be created or written, the recording goes on in memory: the owner is told
// once (the failure handler) and nothing more is written to it.
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QFile;
class QLockFile;

inline const QString kRecoverySuffix = QStringLiteral(".part");
QString RecoveryFileName(const QString& dataFileName);

class RecoveryFile {
 public:
  static constexpr int kSyncDelayMs = 1000;

  RecoveryFile();
  // An open file is closed and left behind, listed, for the next start to offer.
  ~RecoveryFile();
  RecoveryFile(const RecoveryFile&) = delete;
  RecoveryFile& operator=(const RecoveryFile&) = delete;

  // Creates (or empties) the recovery file of dataFileName and lists it. False when it cannot
  // be created; nothing is listed then.
  bool Open(const QString& dataFileName);
  // One value text as one line. False when the write failed: the file is then closed, and the
  // failure handler is not called (the caller tells).
  bool Append(const QString& valueText);
  // Everything written so far to the disk. False on a failure (the file is then closed).
  bool Sync();
  // The recording ended normally: the file, its lock and its listing go.
  void Remove();

  bool IsOpen() const;
  QString FileName() const { return fileName_; }
  // Called when the timed sync fails.
  void SetFailureHandler(std::function<void()> handler) { onFailure_ = std::move(handler); }

 private:
  void Fail();

  std::unique_ptr<QFile> file_;
  std::unique_ptr<QLockFile> lock_;
  QString fileName_;
  bool created_ = false;  // this object made the file (and listed it)
  QTimer syncTimer_;
  std::function<void()> onFailure_;
};

// ---- After a crash: what the next start finds and offers ----

struct LeftRecording {
  QString recoveryFileName;
  QString dataFileName;  // the recovery file's name less ".part"
  QStringList lines;     // every complete line that is a value text, in order
  int droppedLines = 0;  // a line cut short by the crash, or damaged
};

// Listed recovery files that exist and that no running program holds, oldest listing first.
// Names whose file is gone are taken off the list.
QStringList LeftRecoveryFiles();
// What a recovery file holds. A line without its line end (cut short by the crash) or one that
// is not a value text is dropped and counted.
LeftRecording ReadLeftRecording(const QString& recoveryFileName);
LeftRecording ReadLeftRecording(QIODevice& device);
// "Keep": the lines become the data file; then the recovery file goes and is taken off the list.
// False when the data file cannot be written: everything is left as it was, to be offered again.
bool KeepLeftRecording(const LeftRecording& left);
// "Discard": the recovery file goes and is taken off the list.
void DiscardLeftRecording(const QString& recoveryFileName);

// $FLUXA_RECOVERY answers the start-up offer without asking: "keep" or "discard". Anything else
// (or nothing) asks the user.
enum class RecoveryChoice { Ask, Keep, Discard };
RecoveryChoice RecoveryChoiceFromEnvironment();

// The start-up offer and the failure notice, shown by the main window.
QString RecoveryOfferText(const LeftRecording& left);
QString RecoveryFailureText(const QString& recoveryFileName);
inline const QString kRecoveryKeepText = QStringLiteral("Zachowaj");
inline const QString kRecoveryDiscardText = QStringLiteral("Odrzuć");
