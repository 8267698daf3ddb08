#include "settings/Artwork.h"

#include <QDir>
#include <QFont>
#include <QImageReader>
#include <QSaveFile>
#include <QStandardPaths>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace {
const QColor kNavy(14, 39, 72);
const QColor kNavyLight(28, 64, 108);
const QColor kAccent(224, 122, 31);
const QColor kFieldLine(86, 130, 186);
const QColor kNorth(200, 44, 44);
const QColor kSouth(70, 96, 130);
const QColor kSubtitle(85, 92, 104);

// The emblem: a bar magnet in a round badge with its field lines.
constexpr QPointF kEmblemCentre(96, 92);
constexpr qreal kEmblemRadius = 76;
constexpr qreal kPoleOffset = 36;   // the poles sit just inside the bar's ends
constexpr qreal kMagnetHalfLength = 40;
constexpr qreal kMagnetHalfHeight = 10;

// Field of two opposite poles (the north at -kPoleOffset), in emblem coordinates.
QPointF Field(QPointF p) {
  const QPointF toNorth = p - QPointF(-kPoleOffset, 0);
  const QPointF toSouth = p - QPointF(kPoleOffset, 0);
  const qreal dn = std::pow(QPointF::dotProduct(toNorth, toNorth), 1.5);
  const qreal ds = std::pow(QPointF::dotProduct(toSouth, toSouth), 1.5);
  return toNorth / dn - toSouth / ds;
}

// Follows one field line from the north pole to the middle between the poles (or until it is
// far outside the badge); the other half is its mirror image, which keeps the picture symmetric.
QPainterPath FieldLine(qreal startAngleDegrees) {
  const qreal angle = qDegreesToRadians(startAngleDegrees);
  QPointF p(-kPoleOffset + 4 * std::cos(angle), -4 * std::sin(angle));
  QPainterPath path(p);
  for (int step = 0; step < 4000 && p.x() < 0; ++step) {
    const QPointF f = Field(p);
    const qreal length = std::hypot(f.x(), f.y());
    if (length == 0) break;
    p += f / length;
    path.lineTo(p);
    if (std::abs(p.x()) > 3 * kEmblemRadius || std::abs(p.y()) > 3 * kEmblemRadius) break;
  }
  return path;
}

void DrawEmblem(QPainter& painter) {
  painter.save();
  painter.translate(kEmblemCentre);

  QRadialGradient badge(QPointF(0, 0), kEmblemRadius);
  badge.setColorAt(0, QColor(240, 246, 253));
  badge.setColorAt(1, QColor(219, 231, 245));
  painter.setPen(QPen(QColor(190, 208, 230), 1.5));
  painter.setBrush(badge);
  painter.drawEllipse(QPointF(0, 0), kEmblemRadius, kEmblemRadius);

  QPainterPath clip;
  clip.addEllipse(QPointF(0, 0), kEmblemRadius - 1, kEmblemRadius - 1);
  painter.setClipPath(clip);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kFieldLine, 1.4));
  for (qreal start : {62.0, 88.0, 114.0, 140.0, 166.0}) {
    const QPainterPath quarter = FieldLine(start);
    for (const QTransform& mirror : {QTransform(), QTransform::fromScale(-1, 1),
                                     QTransform::fromScale(1, -1), QTransform::fromScale(-1, -1)})
      painter.drawPath(mirror.map(quarter));
  }
  painter.setClipping(false);

  // The bar: north half red, south half blue-grey, lettered.
  const QRectF north(-kMagnetHalfLength, -kMagnetHalfHeight, kMagnetHalfLength, 2 * kMagnetHalfHeight);
  const QRectF south(0, -kMagnetHalfHeight, kMagnetHalfLength, 2 * kMagnetHalfHeight);
  painter.setPen(Qt::NoPen);
  painter.fillRect(north, kNorth);
  painter.fillRect(south, kSouth);
  painter.setPen(QPen(QColor(40, 40, 40), 1));
  painter.drawRect(north.united(south));
  QFont letters(QStringLiteral("Sans Serif"));
  letters.setPixelSize(13);
  letters.setBold(true);
  painter.setFont(letters);
  painter.setPen(Qt::white);
  painter.drawText(north, Qt::AlignCenter, QStringLiteral("N"));
  painter.drawText(south, Qt::AlignCenter, QStringLiteral("S"));
  painter.restore();
}

void DrawTitle(QPainter& painter, ArtworkLanguage language) {
  QFont title(QStringLiteral("Sans Serif"));
  title.setPixelSize(32);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(kNavy);
  painter.drawText(QRect(196, 38, 172, 44), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Fluxa 3.1"));

  painter.fillRect(QRect(198, 86, 56, 3), kAccent);

  QFont subtitle(QStringLiteral("Sans Serif"));
  subtitle.setPixelSize(13);
  painter.setFont(subtitle);
  painter.setPen(kSubtitle);
  const QString text = language == ArtworkLanguage::Polish
                           ? QStringLiteral("Miernik pola magnetycznego")
                           : QStringLiteral("Magnetic field meter");
  painter.drawText(QRect(198, 96, 168, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
}

void DrawNameBand(QPainter& painter) {
  QLinearGradient band(kNameBand.topLeft(), kNameBand.bottomLeft());
  band.setColorAt(0, kNavyLight);
  band.setColorAt(1, kNavy);
  painter.fillRect(kNameBand, band);
  painter.fillRect(QRect(kNameBand.left(), kNameBand.top(), kNameBand.width(), 3), kAccent);
}

QImage DrawArtwork(ArtworkLanguage language) {
  QImage image(kArtworkWidth, kArtworkHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  DrawEmblem(painter);
  DrawTitle(painter, language);
  DrawNameBand(painter);
  return image;
}
}  // namespace

QString ArtworkCacheFile(ArtworkLanguage language, const QString& folder) {
  return QDir(folder).filePath(QStringLiteral("startup-%1-qt%2-%3-%4x%5.png")
                                   .arg(QString::fromLatin1(FLUXA_VERSION), QString::fromLatin1(qVersion()),
                                        language == ArtworkLanguage::Polish ? QStringLiteral("pl") : QStringLiteral("en"))
                                   .arg(kArtworkWidth)
                                   .arg(kArtworkHeight));
}

QImage CachedArtwork(ArtworkLanguage language, const QString& folder) {
  if (folder.isEmpty()) return DrawArtwork(language);
  const QString path = ArtworkCacheFile(language, folder);
  QImageReader reader(path, "png");
  QImage image;
  if (reader.canRead() && reader.size() == QSize(kArtworkWidth, kArtworkHeight) && reader.read(&image))
    return image.convertToFormat(QImage::Format_RGB32);
  image = DrawArtwork(language);
  // A folder or file that cannot be written costs nothing but the drawing the next time.
  QSaveFile file(path);
  if (QDir().mkpath(folder) && file.open(QIODevice::WriteOnly) && image.save(&file, "png")) file.commit();
  return image;
}

// Once a language for the run: the start-up screen and the program's icon share it.
QImage StartupArtwork(ArtworkLanguage language) {
  static QImage drawn[2];
  QImage& cached = drawn[language == ArtworkLanguage::Polish ? 0 : 1];
  if (cached.isNull())
    cached = CachedArtwork(language, QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
  return cached;
}
