#pragma once
// fluxa-cli's messages in the user's language. The language is the program's own
// (settings/Jezyki: CurrentLanguage), chosen at start: --lang pl|en when given, else Polish when
// the environment's locale is Polish (LC_ALL, else LC_MESSAGES, else LANG starting with "pl"),
// English otherwise. Results on standard output are the same in both languages, so that a script
// reads them alike; only the messages on standard error follow the language.
#include <QString>
#include <QStringList>

// The --lang value that wins, if any is among the arguments ("pl", "en" or what was typed).
QString LanguageArgument(const QStringList& arguments);
// "pl" or "en" from the environment's locale.
QString LanguageFromEnvironment();
// Makes "pl" or "en" the program's language (the table's texts and the toolkit's own).
void UseLanguage(const QString& language);

// The messages of fluxa-cli itself; each has a Polish and an English form (Texts.cpp).
enum class Msg {
  NoCommand,
  UnknownCommand,
  UnknownCommandHint,
  OptionBeforeCommand,
  Missing,
  OneOnly,
  UnexpectedArgument,
  PortNeedsName,
  CountRange,
  EveryRange,
  FormatTakes,
  OutRequired,
  SecondsRange,
  LangTakes,
  NoSuchFile,
  CannotReadFile,
  CannotOpen,
  PortBusy,
  NoPermission,
  Watching,
  Recording,
  Downloading,
  ResultsRecorded,
  DumpProgress,
  NoAnswer,
  CannotWrite,
  CannotCreate,
  ResultsWritten,
  NothingWritten,
  DownloadCancelled,
  NothingStored,
  WriteFailedKept,
  NoResultsHint,
  NoResultsFor,
  NoResults,
  WrongPassword,
  NeedsServiceAccess,
  PasswordPrompt,
  NotText,
  LineCount,
  LoneLineFeeds,
  NothingSent,
  TransferRecorded,
  TransferNotRecorded,
  RecordWaitsForServer,
  RecordsWaiting,
  MqttUrlBad,
  MqttCaWithoutTls,
  MqttPasswordPrompt,
  MqttCannotStart,
  MqttPublishing,
  MqttRefused,
  MqttUnreachable,
  MqttDropped,
  MqttLeft,
  RecordsCannotOpen,
  RecordsServerAway,
  NoSuchCalibration,
  NoSuchRecord,
  NumberOrSerial,
  NumberNeedsValue,
  NotACalibration,
  CertificateWritten,
  CertificateDraft,
  DccNeedsApproval,
  DccRefused,
  DccWritten,
  BenchTaken,
  RecordConflict,
  ChainBroken,
  ChainSound,
  PersonPasswordPrompt,
  PasswordAgainPrompt,
  PasswordsDiffer,
  NoPersonPassword,
  PersonAdded,
  PersonDeactivated,
  PersonPasswordChanged,
  RegisterRefused,
  UnknownPeopleAction,
  ApproverPasswordPrompt,
  NoServerNamed,
  NoWorkingRole,
  OwnerPasswordPrompt,
  ServerSetUp,
  SetupFailed,
  BenchTakenOver,
  UnknownDbAction,
};
QString Text(Msg message);

// A text that the core shows only in Polish (through ShowMessage: the transfer's messages while
// it sends, the recording's), in the user's language; every such text fluxa-cli shows goes
// through here. The transfer's refusals and report come in the user's language already
// (parameters/Transfer.h). Lines are taken one by one.
QString PanelText(const QString& polish);
