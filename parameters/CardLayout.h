#pragma once
// The calibration card: one page with the meter's serial number, the customer and the print
// date, a numbered table of 23 calibration parameters and three rows of service measurements
// typed for the card. Its texts are Polish whatever the interface language.
//
// Page units, integer division: a = W/40 (column), U = H/50 (line), c = W/2 (centre),
// d = c + W/20 (header values). Font "Tahoma", pen 3.
//   header   "FLUXA H" (a,U) 12 pt; "wersja 3.0" (a,2U) 8 pt; rule at 2U from a to 39a;
//            "KARTA KALIBRACYJNA" centred at 7U, 24 pt; "miernika typu KV - 38" centred at 9U, 16 pt;
//            labels ending at c and values at d on 12U, 13U, 14U, 12 pt
//   table    rules at 16U-3, 18U-3, 49U-3; head at nint(16.5U); row n at (18+n)U, 12 pt:
//            number ending at 3a, text at 4a, value at 26a; a value never starts inside the
//            text before it, but a space after it when that text is the longer
// Every value keeps to its room (FittedTextOut): to 39a, or to a/4 before the label after it.
#include <QString>

#include "parameters/MeterParameters.h"

// What the card prints: the service panel's parameter set (all but Stala and
// WzmocnienieFiltruTemp) and what is typed into the card dialog. Every text is printed exactly
// as it stands.
struct CalibrationCard {
  MeterParameters parameters;
  QString customer;
  QString printDate;
  QString r1, r2, r3;  // "R 13=", "R 49=", "R 9="
  QString i1, i2, i3;  // "Jdc(AC)=", "Jdc(DC)=", "Jac(DC)="
  QString o1, o2;      // offsets "1=", "2="
};

class PrintCanvas;

inline constexpr int kCardParameterRows = 23;
// The text of table row n (1..23).
QString CardRowText(int row);
// The member of MeterParameters printed in table row n (1..23).
int CardRowMember(int row);

void LayoutCalibrationCard(PrintCanvas& canvas, const CalibrationCard& card);
