#include "settings/Jezyki.h"

// The texts are copied exactly, spaces and accelerator ampersands included: captions are laid out
// around them (" Wynik " sits in a group box frame, " wynik" follows a number in the step dialog).

const char* const PolishTexts[211] = {
    "",                                                        // 0
    "Plik",                                                    // 1
    "Widok",                                                   // 2
    "Serwis",                                                  // 3
    "Ustawienia",                                              // 4
    "Raport",                                                  // 5
    "Pomoc",                                                   // 6
    "&Otwórz plik...",                                         // 7
    "&Zapisz do pliku...",                                     // 8
    "&Zakończ zapisywanie do pliku",                           // 9
    "Pobierz wyniki z urządzenia",                             // 10
    "Koniec",                                                  // 11
    "Obróbka danych",                                          // 12
    "Dane z urządzenia",                                       // 13
    "Zmień użytkownika...",                                    // 14
    "Wyjdź z trybu serwisowego",                               // 15
    "Połączony",                                               // 16
    "Parametry transmisji",                                    // 17
    "Włącz automatyczne wyłączanie urządzenia",                // 18
    "Tryb serwisowy",                                          // 19
    "Zmień język...",                                          // 20
    "Twórz raport...",                                         // 21
    "O programie",                                             // 22
    " Wynik ",                                                 // 23
    " Temperatura ",                                           // 24
    "Obróbka danych",                                          // 25
    "Minimum:",                                                // 26
    "Maksimum:",                                               // 27
    "Średnia:",                                                // 28
    "Filtr cyfrowy",                                           // 29
    "  Sterowanie",                                            // 30
    "Połącz",                                                  // 31
    "Rozłącz",                                                 // 32
    "Zapisz do pliku",                                         // 33
    "Zakoncz zapis",                                           // 34
    "Dane z urządzenia",                                       // 35
    "Otwórz plik",                                             // 36
    "Autoskalowanie",                                          // 37
    "Wmoc.",                                                   // 38
    "Offset",                                                  // 39
    "Połączony na ",                                           // 40
    "Nie połączony",                                           // 41
    "Brak transmisji",                                         // 42
    "Anuluj",                                                  // 43
    "Język",                                                   // 44
    " Wybierz język ",                                         // 45
    "Hasło",                                                   // 46
    "Aby przejść w stan serwisowy musisz podać hasło:",        // 47
    "TRYB SERWISOWY",                                          // 48
    "Utracono połączenie z portem",                            // 49
    "Raport",                                                  // 50
    "Nazwa instytucji:",                                       // 51
    "Miasto:",                                                 // 52
    "Rodzaj pola:",                                            // 53
    "Miejsce pomiarów:",                                       // 54
    "Data pomiarów:",                                          // 55
    "Pomiar wykonał:",                                         // 56
    "Dane o źródle pola:",                                     // 57
    "Drukuj",                                                  // 58
    "Anuluj",                                                  // 59
    "Pobierz dane",                                            // 60
    "Ilość wyników:",                                          // 61
    "L.p.",                                                    // 62
    "Miejsce",                                                 // 63
    "Indukcja pola",                                           // 64
    "Uwaga",                                                   // 65
    "Stałe (dc)",                                              // 66
    "Zmienne (ac)",                                            // 67
    "Strona ",                                                 // 68
    "wersja 3.1",                                              // 69
    "RAPORT",                                                  // 70
    "z pomiarów natężenia pola magnetycznego stałego (dc)",    // 71
    "z pomiarów natężenia pola magnetycznego f = 50 Hz",       // 72
    "z pomiarów natężenia pola magnetycznego zmiennego f = ",  // 73
    "Instrukcja obsługi",                                      // 74
    "Eksportuj do CSV…",                                       // 75
    "Zapisz wykres jako PNG…",                                 // 76
    "Zapisz wykres jako PNG (2×)…",                            // 77
    "Jednostka",                                               // 78
    "Pliki CSV (*.csv)",                                       // 79
    "Obrazy PNG (*.png)",                                      // 80
    "Wiersz %1 pliku nie jest liczbą: %2",                     // 81
    "Urządzenia portów...",                                    // 82
    "Zmienna środowiskowa ma pierwszeństwo: ",                 // 83
    "Spis treści",                                             // 84
    "Wstecz",                                                  // 85
    "Wybierz urządzenie z listy albo wpisz jego ścieżkę.",     // 86
    "",                                                        // 87
    "",                                                        // 88
    "brak sondy",                                              // 89
    "Zatrzymaj wynik",                                         // 90
    "Uruchom wynik",                                           // 91
    "Pobierz pojedynczy wynik",                                // 92
    "Czyść wykres",                                            // 93
    "Wyłącz automatyczne wyłączanie urządzenia",               // 94
    " Parametry zapisu",                                       // 95
    "Zapisz co ",                                              // 96
    " wynik",                                                  // 97
    "Zapisano tabelę: %1",                                     // 98
    "Publikowanie MQTT…",                                      // 99
    "Publikuj wyniki do brokera MQTT",                         // 100
    "Broker:",                                                 // 101
    "Port:",                                                   // 102
    "Prefiks tematów:",                                        // 103
    "Użytkownik:",                                             // 104
    "Połączenie szyfrowane (TLS)",                             // 105
    "Plik CA:",                                                // 106
    "Stanowisko:",                                             // 107
    "Hasło użytkownika %1 brokera MQTT:",                      // 108
    "MQTT: połączono",                                         // 109
    "MQTT: łączenie…",                                         // 110
    "MQTT: brak połączenia, wyniki czekają (%1)",              // 111
    "MQTT: odmowa (%1)",                                       // 112
    ", pominięto %1",                                          // 113
    "Baza kalibracji…",                                        // 114
    "Serwer:",                                                 // 115
    "Baza danych:",                                            // 116
    "Hasło (nie jest zapisywane):",                            // 117
    "Połącz i wyślij oczekujące",                              // 118
    "Plik lokalny: %1",                                        // 119
    "Połączono z serwerem; czeka na wysłanie: %1",             // 120
    "Brak połączenia z serwerem (%1); czeka na wysłanie: %2",  // 121
    "Historia kalibracji…",                                    // 122
    "Numer seryjny zawiera:",                                  // 123
    "Numer",                                                   // 124
    "Rodzaj",                                                  // 125
    "Numer seryjny",                                           // 126
    "Data",                                                    // 127
    "Technik",                                                 // 128
    "Koryguje",                                                // 129
    "kalibracja",                                              // 130
    "przesłanie parametrów",                                   // 131
    "Drukuj świadectwo…",                                      // 132
    "Zapisz świadectwo jako PDF…",                             // 133
    "Eksportuj listę do CSV…",                                 // 134
    "Język świadectwa:",                                       // 135
    "Nie można otworzyć bazy kalibracji: %1",                  // 136
    "Baza kalibracji jest tylko do odczytu: utworzył ją nowszy program.",// 137
    "Pliki CSV (*.csv)",                                       // 138
    "Nie można zapisać %1",                                    // 139
    "Rekordy: %1",                                             // 140
    "Bez serwera: tylko plik lokalny",                         // 141
    "Popraw…",                                                 // 142
    "Korekta rekordu %1",                                      // 143
    "Zapisano korektę: %1",                                    // 144
    "Firma:",                                                  // 145
    "Model wzorca:",                                           // 146
    "Numer seryjny wzorca:",                                   // 147
    "Świadectwo wzorca:",                                      // 148
    "Ważne do:",                                               // 149
    "Niepewność wzorca (k = 2):",                              // 150
    "Urządzenie nie przesłało zapisanych wyników. Plik nie został zapisany.",  // 151
    "Dane z urządzenia nie zaczynają się od nagłówka. Plik nie został zapisany.",  // 152
    "Dane z urządzenia są niepełne (nieparzysta liczba bajtów). Plik nie został zapisany.",  // 153
    "Wyniki zmieniły jednostkę lub rodzaj pomiaru (%1 → %2): zapis do pliku zakończono, plik zawiera wyniki sprzed zmiany.",  // 154
    "Trwa wysyłanie do miernika: poczekaj na koniec albo naciśnij „Anuluj”.",  // 155
    "plik %1 (wyniki na żywo: %2)",  // 156
    "Czas",                                                    // 157
    "Tryb",                                                    // 158
    "Zakres",                                                  // 159
    "Temperatura [°C]",                                        // 160
    "Autor korekty:",                                         // 161
    "Powód korekty:",                                         // 162
    "Korekta wymaga autora i powodu.",                        // 163
    "Stan",                                                   // 164
    "czeka na wysłanie",                                      // 165
    "konflikt: serwer ma inny rekord o tym numerze",          // 166
    "zastąpiony przez %1",                                    // 167
    "Stanowisko %1 jest zarejestrowane na serwerze przez inną instalację; rekordy czekają w pliku lokalnym",  // 168
    "Przejmij stanowisko",                                    // 169
    "Konflikty numerów (rekordy zostają w pliku lokalnym): %1",  // 170
    "Łańcuch rekordów naruszony: %1",                         // 171
    "%1 zmieniony",                                           // 172
    "%1 usunięty",                                            // 173
    "usunięto rekord przed %1",                               // 174
    "%1 wstawiony",                                           // 175
    "%1 podmieniony",                                         // 176
    "Koryguje %1 — %2, %3: %4",                               // 177
    "Instalacja: %1",                                         // 178
    "Stanowisko ustawia się w oknie %1.",                       // 179
    "podpis",                                              // 180
    "Zatwierdź…",                                          // 181
    "Zatwierdzam",                                         // 182
    "Identyfikator",                                       // 183
    "Imię i nazwisko",                                     // 184
    "Rola",                                                // 185
    "Zatwierdzający",                                      // 186
    "Aktywna",                                             // 187
    "Znaczenie podpisu: %1",                               // 188
    "Zatwierdził(a): %1 (%2), %3 UTC, „%4”",               // 189
    "PROJEKT: niezatwierdzone",                            // 190
    "Złe hasło %1 (pozostało prób: %2)",                   // 191
    "Trzy złe hasła %1: podpisywanie wstrzymane, spróbuj za %2 s",// 192
    "%1 nie ma w rejestrze osób: nic nie podpisano",       // 193
    "%1 jest nieaktywna: nic nie podpisano",               // 194
    "%1 nie jest zatwierdzającym: nic nie podpisano",      // 195
    "Nie ma kalibracji %1: nic nie podpisano",             // 196
    "Rekord %1 nie zgadza się ze swoim skrótem SHA-256: nic nie podpisano",// 197
    "Osoby…",                                              // 198
    "Dodaj",                                               // 199
    "Dezaktywuj",                                          // 200
    "Powtórz hasło",                                       // 201
    "Hasła się różnią",                                    // 202
    "Świadectwo %1 nie zostało zapisane: DCC odrzucone (%2).",// 203
    "Laboratorium…",                                       // 204
    "Nazwa:",                                              // 205
    "Adres:",                                              // 206
    "Numer akredytacji:",                                  // 207
    "Metoda / procedura:",                                 // 208
    "Drukowane na świadectwach wzorcowania; każdy nowy zapis kalibracji zachowuje dane z chwili wzorcowania.",// 209
    "Nie można zapisać ustawień laboratorium",             // 210
};

const char* const EnglishTexts[211] = {
    "",                                                        // 0
    "File",                                                    // 1
    "View",                                                    // 2
    "Service",                                                 // 3
    "Settings",                                                // 4
    "Report",                                                  // 5
    "Help",                                                    // 6
    "&Open...",                                                // 7
    "&Save as...",                                             // 8
    "&Stop saving file",                                       // 9
    "Take results from instrument",                            // 10
    "Quit",                                                    // 11
    "Data processing",                                         // 12
    "Data from instrument",                                    // 13
    "Change user...",                                          // 14
    "Quit from service mode",                                  // 15
    "Connected",                                               // 16
    "Transmission parameters",                                 // 17
    "Turn on automatic power down",                            // 18
    "Service mode",                                            // 19
    "Change language...",                                      // 20
    "Create report...",                                        // 21
    "About",                                                   // 22
    " Data ",                                                  // 23
    " Temperature ",                                           // 24
    "Data processing",                                         // 25
    "Minimum:",                                                // 26
    "Maximum:",                                                // 27
    "Average:",                                                // 28
    "Digital filter",                                          // 29
    "  Control",                                               // 30
    "Connect",                                                 // 31
    "Disconnect",                                              // 32
    "Save as...",                                              // 33
    "Stop saving",                                             // 34
    "Data from instrument",                                    // 35
    "Open file",                                               // 36
    "Autoscale",                                               // 37
    "Ampl.",                                                   // 38
    "Offset",                                                  // 39
    "Connected to ",                                           // 40
    "Disconnected",                                            // 41
    "No transmission",                                         // 42
    "Cancel",                                                  // 43
    "Language",                                                // 44
    " Select language ",                                       // 45
    "Password",                                                // 46
    "Please write a password to enter to the service mode",    // 47
    "SERVICE MODE",                                            // 48
    "Connection to the port was lost",                         // 49
    "Report",                                                  // 50
    "Company:",                                                // 51
    "City:",                                                   // 52
    "Magnetic field:",                                         // 53
    "Location:",                                               // 54
    "Date:",                                                   // 55
    "Measured by:",                                            // 56
    "Field source data:",                                      // 57
    "Print",                                                   // 58
    "Cancel",                                                  // 59
    "Data from file",                                          // 60
    "No of results:",                                          // 61
    "No",                                                      // 62
    "Location",                                                // 63
    "Field induction",                                         // 64
    "Note",                                                    // 65
    "Constant (dc)",                                           // 66
    "Alternating (ac)",                                        // 67
    "Page ",                                                   // 68
    "version 3.1",                                             // 69
    "REPORT",                                                  // 70
    "of dc magnetic field measurement",                        // 71
    "of ac magnetic field measurement (f = 50 Hz)",            // 72
    "of ac magnetic field measurement f = ",                   // 73
    "Tutorial",                                                // 74
    "Export to CSV…",                                          // 75
    "Save chart as PNG…",                                      // 76
    "Save chart as PNG (2×)…",                                 // 77
    "Unit",                                                    // 78
    "CSV files (*.csv)",                                       // 79
    "PNG images (*.png)",                                      // 80
    "Line %1 of the file is not a number: %2",                 // 81
    "Port devices...",                                         // 82
    "The environment variable takes precedence: ",             // 83
    "Contents",                                                // 84
    "Back",                                                    // 85
    "Choose a device from the list or type its path.",         // 86
    "",                                                        // 87
    "",                                                        // 88
    "no probe",                                                // 89
    "Stop result",                                             // 90
    "Go",                                                      // 91
    "Take one value",                                          // 92
    "Clear screen",                                            // 93
    "Turn off automatic power down",                           // 94
    " Saving parameters",                                      // 95
    "Save every ",                                             // 96
    "th result",                                               // 97
    "Table saved: %1",                                         // 98
    "MQTT publishing…",                                        // 99
    "Publish results to an MQTT broker",                       // 100
    "Broker:",                                                 // 101
    "Port:",                                                   // 102
    "Topic prefix:",                                           // 103
    "User:",                                                   // 104
    "Encrypted connection (TLS)",                              // 105
    "CA file:",                                                // 106
    "Bench:",                                                  // 107
    "Password of %1 at the MQTT broker:",                      // 108
    "MQTT: online",                                            // 109
    "MQTT: connecting…",                                       // 110
    "MQTT: offline, results waiting (%1)",                     // 111
    "MQTT: refused (%1)",                                      // 112
    ", dropped %1",                                            // 113
    "Calibration database…",                                   // 114
    "Server:",                                                 // 115
    "Database:",                                               // 116
    "Password (never stored):",                                // 117
    "Connect and send what waits",                             // 118
    "Local file: %1",                                          // 119
    "Connected to the server; waiting to be sent: %1",         // 120
    "No connection to the server (%1); waiting to be sent: %2",// 121
    "Calibration history…",                                    // 122
    "Serial number contains:",                                 // 123
    "Number",                                                  // 124
    "Kind",                                                    // 125
    "Serial number",                                           // 126
    "Date",                                                    // 127
    "Technician",                                              // 128
    "Amends",                                                  // 129
    "calibration",                                             // 130
    "parameter transfer",                                      // 131
    "Print certificate…",                                      // 132
    "Save certificate as PDF…",                                // 133
    "Export the list to CSV…",                                 // 134
    "Certificate language:",                                   // 135
    "Cannot open the calibration database: %1",                // 136
    "The calibration database is read-only: a newer program made it.",// 137
    "CSV files (*.csv)",                                       // 138
    "Cannot write %1",                                         // 139
    "Records: %1",                                             // 140
    "No server: the local file only",                          // 141
    "Amend…",                                                  // 142
    "Amendment of %1",                                         // 143
    "Amendment kept: %1",                                      // 144
    "Company:",                                                // 145
    "Reference model:",                                        // 146
    "Reference serial number:",                                // 147
    "Reference certificate:",                                  // 148
    "Due date:",                                               // 149
    "Reference uncertainty (k = 2):",                          // 150
    "The meter sent no stored results. No file was written.",  // 151
    "The meter's data do not begin with their header. No file was written.",  // 152
    "The meter's data are incomplete (an odd number of bytes). No file was written.",  // 153
    "The results changed their unit or mode (%1 → %2): the recording was stopped; its file holds the results from before the change.",  // 154
    "Sending to the meter: wait for the end or press \"Anuluj\".",  // 155
    "file %1 (live results: %2)",  // 156
    "Time",                                                    // 157
    "Mode",                                                    // 158
    "Range",                                                   // 159
    "Temperature [°C]",                                        // 160
    "Amended by:",                                            // 161
    "Reason for the amendment:",                              // 162
    "An amendment needs its author and its reason.",          // 163
    "State",                                                  // 164
    "waiting to be sent",                                     // 165
    "conflict: the server holds another record under this number",  // 166
    "superseded by %1",                                       // 167
    "The bench id %1 is registered on the server by another installation; records wait in the local file",  // 168
    "Take over the bench",                                    // 169
    "Number conflicts (the records stay in the local file): %1",  // 170
    "Record chain broken: %1",                                // 171
    "%1 changed",                                             // 172
    "%1 removed",                                             // 173
    "a record before %1 removed",                             // 174
    "%1 inserted",                                            // 175
    "%1 replaced",                                            // 176
    "Amends %1 — %2, %3: %4",                                 // 177
    "Installation: %1",                                       // 178
    "The bench is set in the %1 window.",                      // 179
    "signature",                                           // 180
    "Approve…",                                            // 181
    "Approved",                                            // 182
    "Id",                                                  // 183
    "Printed name",                                        // 184
    "Role",                                                // 185
    "Approver",                                            // 186
    "Active",                                              // 187
    "Meaning of the signature: %1",                        // 188
    "Approved by %1 (%2), %3 UTC: “%4”",                   // 189
    "DRAFT: not approved",                                 // 190
    "Wrong password for %1 (%2 tries left)",               // 191
    "Three wrong passwords for %1: signing paused, try again in %2 s",// 192
    "%1 is not in the register of people: nothing signed", // 193
    "%1 is not active: nothing signed",                    // 194
    "%1 is not an approver: nothing signed",               // 195
    "There is no calibration %1: nothing signed",          // 196
    "The record %1 does not match its SHA-256: nothing signed",// 197
    "People…",                                             // 198
    "Add",                                                 // 199
    "Deactivate",                                          // 200
    "Password again",                                      // 201
    "The passwords differ",                                // 202
    "Certificate %1 was not saved: its DCC is refused (%2).",// 203
    "Laboratory…",                                         // 204
    "Name:",                                               // 205
    "Address:",                                            // 206
    "Accreditation number:",                               // 207
    "Method / procedure:",                                 // 208
    "Printed on calibration certificates; each new calibration record keeps them as they are when it is made.",// 209
    "The laboratory's settings cannot be written",         // 210
};

QString CurrentLanguage = QStringLiteral("Polski");

namespace {
constexpr quint16 TableSize = sizeof(PolishTexts) / sizeof(PolishTexts[0]);
static_assert(sizeof(EnglishTexts) == sizeof(PolishTexts), "the two columns must stay parallel");

// Callers pass numbers from the table; anything past its end reads as an empty text rather than
// running off the array.
QString TableText(const char* const* column, quint16 n)
{
    return n < TableSize ? QString::fromUtf8(column[n]) : QString();
}
}  // namespace

void LookupText(quint16 n, QString& text)
{
    if (CurrentLanguage == QLatin1String("Polski"))
        text = TableText(PolishTexts, n);
    else if (CurrentLanguage == QLatin1String("Angielski"))
        text = TableText(EnglishTexts, n);
}

QString LookupText(quint16 n)
{
    QString text;
    LookupText(n, text);
    return text;
}

QLocale ProgramLocale()
{
    if (CurrentLanguage == QLatin1String("Angielski"))
        return QLocale(QLocale::English, QLocale::UnitedKingdom);
    return QLocale(QLocale::Polish, QLocale::Poland);
}
