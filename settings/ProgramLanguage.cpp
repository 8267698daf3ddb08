#include "settings/ProgramLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QTranslator>

#include "settings/Jezyki.h"

namespace {
// One translator, a child of the application object, so it goes with it.
QPointer<QTranslator>& Installed() {
  static QPointer<QTranslator> translator;
  return translator;
}

bool LoadPolish(QTranslator& translator) {
  const QLocale polish(QLocale::Polish, QLocale::Poland);
  for (const QString& folder : ToolkitTranslationFolders())
    if (translator.load(polish, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) return true;
  return false;
}
}  // namespace

LanguageSwitch& ProgramLanguageSwitch() {
  static LanguageSwitch signal;
  return signal;
}

QStringList ToolkitTranslationFolders() {
  QStringList folders;
  if (QCoreApplication::instance())
    folders << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"));
  folders << QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  return folders;
}

void SetProgramLanguage(const QString& language) {
  const bool english = language == QLatin1String("Angielski");
  CurrentLanguage = english ? QStringLiteral("Angielski") : QStringLiteral("Polski");
  if (QCoreApplication* app = QCoreApplication::instance()) {
    QPointer<QTranslator>& installed = Installed();
    if (english && installed) {
      QCoreApplication::removeTranslator(installed);
      delete installed;
    } else if (!english && !installed) {
      auto* translator = new QTranslator(app);
      if (LoadPolish(*translator)) {
        QCoreApplication::installTranslator(translator);
        installed = translator;
      } else {
        delete translator;
        qWarning("The toolkit's Polish texts (qtbase_pl.qm) were not found in %s",
                 qPrintable(ToolkitTranslationFolders().join(", ")));
      }
    }
  }
  emit ProgramLanguageSwitch().Switched();
}

bool ToolkitSpeaksProgramLanguage() {
  return CurrentLanguage == QLatin1String("Angielski") || !Installed().isNull();
}

QString FormatProgramDate(const QDate& date) {
  QString format = ProgramLocale().dateFormat(QLocale::ShortFormat);
  static const QRegularExpression lone(QStringLiteral("(?<![dMy])([dM])(?![dMy])"));
  static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
  format.replace(lone, QStringLiteral("\\1\\1"));
  format.replace(shortYear, QStringLiteral("yyyy"));
  return ProgramLocale().toString(date, format);
}
