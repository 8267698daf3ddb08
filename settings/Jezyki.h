#pragma once
// The table of interface texts in both languages and the lookup every window uses for its captions.

#include <QLocale>
#include <QString>
#include <QtGlobal>

// Index 1..113 is the text number; index 0 and the numbers no window uses hold "". UTF-8.
extern const char* const PolishTexts[211];
extern const char* const EnglishTexts[211];

// "Polski" or "Angielski". Every run starts in Polish; only the language dialog changes it.
extern QString CurrentLanguage;

// Sets text to text n of the current language; with any other language name text stays as passed.
void LookupText(quint16 n, QString& text);

// Text n of the current language, or "" when the language is neither of the two.
QString LookupText(quint16 n);

// The locale of the program's language, whatever the system's: dates and numbers on printouts
// and in exported tables (Polish: 07.12.2026, decimal comma).
QLocale ProgramLocale();
