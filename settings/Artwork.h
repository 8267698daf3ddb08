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

QImage StartupArtwork(ArtworkLanguage language);
