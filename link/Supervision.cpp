#include "link/Supervision.h"

IndicatorColours ColoursFor(LinkEvent event) {
  switch (event) {
    case LinkEvent::PortOpened: return {std::nullopt, kYellow, kWhite};
    case LinkEvent::TickWithData: return {kGrey, kYellow, kWhite};
    case LinkEvent::TickWithoutData: return {kYellow, kSilver, kSilver};
    case LinkEvent::PortClosed: return {std::nullopt, kSilver, kSilver};
    case LinkEvent::UserDisconnect: return {kGrey, std::nullopt, std::nullopt};
  }
  return {};
}
