#pragma once
// PDF/A-3b files: the pages come from a print layout drawn by Qt (PrintDocument on a QPdfWriter
// in PDF/A-1b mode, which embeds the fonts and writes the sRGB output intent with Qt's own sRGB
// ICC profile), then libqpdf makes the file PDF/A-3b and carries an attachment:
//
//   catalog   /Metadata   XMP: pdfaid:part 3, pdfaid:conformance B, dc:title, xmp:CreateDate,
//                         xmp:ModifyDate, xmp:MetadataDate, xmp:CreatorTool, pdf:Producer
//                         (the document information dictionary says the same)
//             /OutputIntents  GTS_PDFA1 with an sRGB ICC profile (added from QColorSpace when
//                         the rendered file has none)
//             /AF [filespec]  and /Names /EmbeddedFiles {name → filespec}
//   filespec  /Type /Filespec /F /UF (the file's name) /Desc /AFRelationship /Data /EF {/F stream}
//   stream    /Type /EmbeddedFile /Subtype /application#2Fxml /Params {/Size /CheckSum
//             /CreationDate /ModDate}
//
// What of PDF/A-3b is verified (tests/store/test_dcc): the file passes qpdf --check; the catalog
// holds the XMP with part 3 and conformance B, the output intent with its profile, /AF and the
// embedded file with /AFRelationship /Data, its MIME subtype and /Params; the attachment comes
// back byte for byte; every font is embedded (pdffonts). Not verified: no full PDF/A validator
// (veraPDF) runs here, so the rules this code does not touch (Qt's colour spaces and fonts'
// widths, XMP against the information dictionary beyond building both from the same values, no
// transparency) rest on Qt's PDF/A-1b mode. qpdf writes the MIME name as /application#2fxml, the
// same name as #2F.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

#include "common/PrintCanvas.h"
#include "store/CertificateLayout.h"
#include "store/Dcc.h"

struct PdfAttachment {
  QString fileName;
  QByteArray data;
  QString mimeType = QStringLiteral("application/xml");
  QString description;
};

struct PdfA3Document {
  QString title;
  QString creator = QStringLiteral("Fluxa");  // the program that made the content
  QDateTime created;                          // invalid: now
  std::optional<PdfAttachment> attachment;    // the associated file, with /AFRelationship /Data
};

// The layout's pages as a PDF/A-3b file in memory; empty, with error set, on failure.
QByteArray RenderPdfA3(const PrintLayout& layout, const PdfA3Document& document, QString* error);

// The certificate of a calibration as a PDF/A-3b file.
struct CertificatePdf {
  bool ok = false;
  bool draft = false;  // no approval: printed as a draft, without a DCC
  bool refused = false;  // the DCC was refused (message says why): no file at all
  QByteArray pdf;
  QByteArray dcc;      // the DCC inside, empty for a draft
  QString message;     // why it failed, in the certificate's language
  QStringList notes;   // the DCC's notes (an uncertainty that is not stated)
};
// The pages of LayoutCertificate with header.approval deciding between certificate and draft;
// a signed one carries its DCC (WriteDcc), and a DCC that is refused refuses the whole file.
CertificatePdf MakeCertificatePdf(const CalibrationRecord& record, const CertificateHeader& header,
                                  const DccOptions& options);

// Writes data to path in one piece (a partial file never stays); false, with error, on failure.
bool WriteWholeFile(const QString& path, const QByteArray& data, QString* error);
