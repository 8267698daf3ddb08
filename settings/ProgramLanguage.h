#pragma once
// Switching the program's language as a whole: the language table's texts (CurrentLanguage), the
// toolkit's own texts (file and print dialogs, message-box buttons, the overwrite question) and
// the windows that follow the switch. The toolkit's texts come from Qt's translation files
// (qtbase_pl.qm): beside the program in translations/ (Windows) or in Qt's own translations
// folder (Debian: qt6-translations-l10n). English needs none.
#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>

// Emits Switched after every SetProgramLanguage, once the new texts are in force.
class LanguageSwitch : public QObject {
  Q_OBJECT
 signals:
  void Switched();
};
LanguageSwitch& ProgramLanguageSwitch();

// "Polski" or "Angielski"; anything else is taken as "Polski". Needs a Qt application object for
// the toolkit's texts; the table's texts switch without one.
void SetProgramLanguage(const QString& language);

// Whether the toolkit's texts are those of the program's language: always for English, for
// Polish only when its translation file was found.
bool ToolkitSpeaksProgramLanguage();

// Where the toolkit's translation files are looked for, first match wins.
QStringList ToolkitTranslationFolders();

// A date as the program's language writes it on a printout, whatever the system's locale: the
// language's short form with the day and month in two digits and the year in four (Polish
// 07.12.2026, English 07/12/2026).
QString FormatProgramDate(const QDate& date);
