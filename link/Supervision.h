#pragma once
// Colours of the link indicators: the "Brak transmisji" mark, the result labels and the
// temperature labels, by what just happened on the link.
#include <QColor>
#include <optional>

enum class LinkEvent { PortOpened, TickWithData, TickWithoutData, PortClosed, UserDisconnect };

struct IndicatorColours {
  std::optional<QColor> noTransmission;  // BP; unset = unchanged
  std::optional<QColor> result;          // SWynik, Falka
  std::optional<QColor> temperature;     // STemp, stopien
};

inline const QColor kYellow{255, 255, 0};
inline const QColor kWhite{255, 255, 255};
inline const QColor kGrey{128, 128, 128};
inline const QColor kSilver{192, 192, 192};

IndicatorColours ColoursFor(LinkEvent event);
