#include "store/PdfA3.h"

// The qpdf API without its old PointerHolder (std::shared_ptr throughout).
#define POINTERHOLDER_TRANSITION 4

#include <QBuffer>
#include <QColorSpace>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>
#include <exception>
#include <memory>

namespace {
std::string Std(const QString& text) { return text.toStdString(); }

// PDF dates and XMP dates of the same moment, in UTC.
std::string PdfDate(const QDateTime& t) {
  return Std(t.toUTC().toString(QStringLiteral("'D:'yyyyMMddHHmmss'Z'")));
}
QString XmpDate(const QDateTime& t) { return t.toUTC().toString(Qt::ISODate); }

QString Escaped(const QString& text) { return text.toHtmlEscaped(); }

QByteArray Xmp(const PdfA3Document& d, const QDateTime& created, const QString& producer) {
  const QString date = XmpDate(created);
  const QString xmp = QStringLiteral(
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
      " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
      "  <rdf:Description rdf:about=\"\"\n"
      "    xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\"\n"
      "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
      "    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
      "    xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n"
      "   <pdfaid:part>3</pdfaid:part>\n"
      "   <pdfaid:conformance>B</pdfaid:conformance>\n"
      "   <dc:format>application/pdf</dc:format>\n"
      "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">%1</rdf:li></rdf:Alt></dc:title>\n"
      "   <xmp:CreateDate>%2</xmp:CreateDate>\n"
      "   <xmp:ModifyDate>%2</xmp:ModifyDate>\n"
      "   <xmp:MetadataDate>%2</xmp:MetadataDate>\n"
      "   <xmp:CreatorTool>%3</xmp:CreatorTool>\n"
      "   <pdf:Producer>%4</pdf:Producer>\n"
      "  </rdf:Description>\n"
      " </rdf:RDF>\n"
      "</x:xmpmeta>\n"
      "<?xpacket end=\"w\"?>");
  return xmp.arg(Escaped(d.title), date, Escaped(d.creator), Escaped(producer)).toUtf8();
}

// The sRGB output intent, when the rendered file lacks one.
void EnsureOutputIntent(QPDF& pdf, QPDFObjectHandle root) {
  if (root.hasKey("/OutputIntents") && root.getKey("/OutputIntents").isArray() &&
      root.getKey("/OutputIntents").getArrayNItems() > 0)
    return;
  const QByteArray icc = QColorSpace(QColorSpace::SRgb).iccProfile();
  QPDFObjectHandle profile = QPDFObjectHandle::newStream(&pdf, std::string(icc.constData(), size_t(icc.size())));
  profile.getDict().replaceKey("/N", QPDFObjectHandle::newInteger(3));
  QPDFObjectHandle intent = QPDFObjectHandle::newDictionary();
  intent.replaceKey("/Type", QPDFObjectHandle::newName("/OutputIntent"));
  intent.replaceKey("/S", QPDFObjectHandle::newName("/GTS_PDFA1"));
  intent.replaceKey("/OutputConditionIdentifier", QPDFObjectHandle::newString("sRGB IEC61966-2.1"));
  intent.replaceKey("/Info", QPDFObjectHandle::newString("sRGB IEC61966-2.1"));
  intent.replaceKey("/DestOutputProfile", profile);
  QPDFObjectHandle intents = QPDFObjectHandle::newArray();
  intents.appendItem(pdf.makeIndirectObject(intent));
  root.replaceKey("/OutputIntents", intents);
}

void Attach(QPDF& pdf, QPDFObjectHandle root, const PdfAttachment& file, const std::string& date) {
  QPDFEFStreamObjectHelper stream =
      QPDFEFStreamObjectHelper::createEFStream(pdf, std::string(file.data.constData(), size_t(file.data.size())));
  stream.setSubtype(Std(file.mimeType)).setCreationDate(date).setModDate(date);
  QPDFFileSpecObjectHelper fileSpec = QPDFFileSpecObjectHelper::createFileSpec(pdf, Std(file.fileName), stream);
  if (!file.description.isEmpty()) fileSpec.setDescription(Std(file.description));
  QPDFObjectHandle specObject = fileSpec.getObjectHandle();
  specObject.replaceKey("/AFRelationship", QPDFObjectHandle::newName("/Data"));
  QPDFEmbeddedFileDocumentHelper(pdf).replaceEmbeddedFile(Std(file.fileName), fileSpec);
  QPDFObjectHandle associated = QPDFObjectHandle::newArray();
  associated.appendItem(specObject);
  root.replaceKey("/AF", associated);
}
}  // namespace

QByteArray RenderPdfA3(const PrintLayout& layout, const PdfA3Document& document, QString* error) {
  const QDateTime created = document.created.isValid() ? document.created : QDateTime::currentDateTimeUtc();
  QByteArray rendered;
  {
    QBuffer buffer(&rendered);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setTitle(document.title);
    writer.setCreator(document.creator);
    if (!PrintDocument(writer, layout)) {
      if (error) *error = QStringLiteral("the pages could not be drawn");
      return {};
    }
  }
  try {
    QPDF pdf;
    pdf.processMemoryFile("certificate", rendered.constData(), size_t(rendered.size()));
    QPDFObjectHandle root = pdf.getRoot();
    const std::string date = PdfDate(created);
    const QString producer = QStringLiteral("Qt %1, qpdf %2").arg(QString::fromLatin1(qVersion()),
                                                                  QString::fromStdString(QPDF::QPDFVersion()));
    QPDFObjectHandle metadata = QPDFObjectHandle::newStream(&pdf, Xmp(document, created, producer).toStdString());
    metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
    metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
    root.replaceKey("/Metadata", metadata);
    EnsureOutputIntent(pdf, root);
    if (document.attachment) Attach(pdf, root, *document.attachment, date);

    QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
    info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(Std(document.title)));
    info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString(Std(document.creator)));
    info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString(Std(producer)));
    info.replaceKey("/CreationDate", QPDFObjectHandle::newString(date));
    info.replaceKey("/ModDate", QPDFObjectHandle::newString(date));
    pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));

    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setMinimumPDFVersion("1.7");
    writer.write();
    const std::unique_ptr<Buffer> out(writer.getBuffer());
    return QByteArray(reinterpret_cast<const char*>(out->getBuffer()), qsizetype(out->getSize()));
  } catch (const std::exception& e) {
    if (error) *error = QString::fromLocal8Bit(e.what());
    return {};
  }
}

CertificatePdf MakeCertificatePdf(const CalibrationRecord& record, const CertificateHeader& header,
                                  const DccOptions& options) {
  CertificatePdf result;
  PdfA3Document document;
  document.title = (options.language == CertificateLanguage::Polish ? QStringLiteral("Świadectwo wzorcowania %1")
                                                                    : QStringLiteral("Calibration certificate %1"))
                       .arg(record.number);
  result.draft = !header.approval;
  if (header.approval) {
    DccResult dcc = WriteDcc(record, *header.approval, options);
    if (!dcc.ok) {
      result.refused = true;
      result.message = dcc.message;
      return result;
    }
    result.dcc = dcc.xml;
    result.notes = dcc.notes;
    document.created = header.approval->at;
    document.attachment = PdfAttachment{DccFileName(record.number), dcc.xml, QStringLiteral("application/xml"),
                                        QStringLiteral("Digital Calibration Certificate (PTB DCC 3.1.2)")};
  }
  const CertificateLanguage language = options.language;
  result.pdf = RenderPdfA3([&](PrintCanvas& canvas) { LayoutCertificate(canvas, record, header, language); },
                           document, &result.message);
  result.ok = !result.pdf.isEmpty();
  return result;
}

bool WriteWholeFile(const QString& path, const QByteArray& data, QString* error) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit()) return true;
  if (error) *error = file.errorString();
  return false;
}
