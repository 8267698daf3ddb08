#pragma once
// The start-up screen's picture, drawn in code so no image file has to travel with the program.
// The about box shows it at full size and lays its labels over it: the user's name and company
// in white over the dark band at the bottom (kNameBand), the service mark in red over the light
// area above it (kServiceMarkArea).
#include <QImage>
#include <QRect>

enum class ArtworkLanguage { Polish, English };

inline constexpr int kArtworkWidth = 376;
inline constexpr int kArtworkHeight = 260;
inline constexpr QRect kNameBand{0, 182, kArtworkWidth, kArtworkHeight - 182};
inline constexpr QRect kServiceMarkArea{196, 146, 172, 24};

// Drawn once a language for the run, and kept between runs in the user's cache folder.
QImage StartupArtwork(ArtworkLanguage language);

// The picture as the cache in `folder` keeps it: read back when a file of this program's and
// Qt's versions, the language and the size is there and is a sound picture of that size;
// otherwise drawn and written there (atomically) for the next start. Reading a small PNG costs a
// fraction of what loading the title's font and drawing the emblem do. An empty folder: drawn.
QImage CachedArtwork(ArtworkLanguage language, const QString& folder);
// The cache's file for a language in a folder.
QString ArtworkCacheFile(ArtworkLanguage language, const QString& folder);
