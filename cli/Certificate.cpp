// fluxa-cli certificate: the certificate of one calibration as a PDF/A-3 file, with its Digital
// Calibration Certificate inside when the calibration is approved (and beside it with --dcc); an
// unapproved one is written as a draft without a DCC.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/RecordAccess.h"
#include "cli/Texts.h"
#include "publish/PublishSettings.h"
#include "settings/Jezyki.h"
#include "store/PdfA3.h"
#include "store/RecordsSettings.h"

int RunCertificate(const CliOptions& options) {
  RecordStore store(BenchId());
  if (!OpenRecordStore(store, nullptr)) return kExitData;
  const QString& number = options.file;
  const std::optional<CalibrationRecord> record = store.Calibration(number);
  if (!record) {
    Complain(store.Transfer(number) ? Text(Msg::NotACalibration).arg(number)
                                    : Text(Msg::NoSuchCalibration).arg(number, RecordsPath()));
    return kExitData;
  }
  CertificateHeader header;
  header.approval = store.Approval(number);
  if (!header.approval && !options.dcc.isEmpty()) {
    Complain(Text(Msg::DccNeedsApproval).arg(number));
    return kExitData;
  }
  DccOptions dccOptions;
  dccOptions.language =
      CurrentLanguage == QLatin1String("Angielski") ? CertificateLanguage::English : CertificateLanguage::Polish;
  const CertificatePdf made = MakeCertificatePdf(*record, header, dccOptions);
  if (!made.ok) {
    Complain(made.refused ? Text(Msg::DccRefused).arg(number, made.message)
                 : Text(Msg::CannotWrite).arg(options.out));
    return kExitData;
  }
  if (!WriteWholeFile(options.out, made.pdf, nullptr)) {
    Complain(Text(Msg::CannotWrite).arg(options.out));
    return kExitData;
  }
  if (made.draft) {
    Complain(Text(Msg::CertificateDraft).arg(number, options.out));
    return kExitDone;
  }
  Complain(Text(Msg::CertificateWritten).arg(number, options.out));
  for (const QString& note : made.notes) Complain(note);
  if (!options.dcc.isEmpty()) {
    if (!WriteWholeFile(options.dcc, made.dcc, nullptr)) {
      Complain(Text(Msg::CannotWrite).arg(options.dcc));
      return kExitData;
    }
    Complain(Text(Msg::DccWritten).arg(number, options.dcc));
  }
  return kExitDone;
}
