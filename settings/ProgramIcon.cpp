#include "settings/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

#include "settings/Artwork.h"

namespace {
// The emblem's badge in the artwork: centre (96, 92), radius 76, and a pixel of its rim.
constexpr QRect kEmblem{96 - 78, 92 - 78, 156, 156};
}  // namespace

QImage ProgramIcon(int size) {
  const QImage emblem = StartupArtwork(ArtworkLanguage::Polish).copy(kEmblem);
  QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  QPainterPath badge;
  badge.addEllipse(QRectF(0, 0, size, size));
  painter.setClipPath(badge);
  painter.drawImage(QRect(0, 0, size, size), emblem);
  return icon;
}
