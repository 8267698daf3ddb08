#pragma once
// A complete calibration whose file bytes and transfer are known exactly: every encoding, its
// rounding ties, the irregular addresses and a Polish letter in the serial number.
#include <QByteArray>
#include <QList>
#include <QStringList>

#include "parameters/MeterParameters.h"

inline QStringList ReferenceTexts() {
  return {"0,5", "0,25", "0,75", "0,9634", "-0,25", "1",   "0,001", "-1",    "100",
          "-2",  "300",  "-0,5", "-300",   "0,1",   "0,5", "0",     "-0,5",  "65535",
          "1000", "0",   "40000", "10",    "20",    "500", "Ł-001", "0,05"};
}

inline MeterParameters ReferenceParameters() {
  MeterParameters p;
  const QStringList texts = ReferenceTexts();
  for (int i = 0; i < MeterParameters::kCount; ++i) p[i] = texts[i];
  return p;
}

// The file: 140 bytes, Windows-1250 ("Ł" is A3), CR LF after every line.
inline QByteArray ReferenceFileBytes() {
  QByteArray bytes;
  for (const QString& t : ReferenceTexts())
    bytes += (t == "Ł-001" ? QByteArray("\xA3-001") : t.toLatin1()) + "\r\n";
  return bytes;
}

// The transfer's 25 parameter frames, in order; the store command follows when asked for.
inline QList<QByteArray> ReferenceFrames() {
  const char* const hex[] = {
      "AA5543000040", "AA5543040020", "AA554308FF5F", "AA55430C507B", "AA55431000E0",
      "AA554314FF7F", "AA5543182100", "AA5543160180", "AA55430A6400", "AA554332FEFF",
      "AA5543302C01", "AA554306D4FE", "AA55430200C0", "AA55432CC279", "AA55432EE803",
      "AA554320D273", "AA554324A34D", "AA5543280000", "AA55431A09D3", "AA554322FFFF",
      "AA554326E803", "AA55432A0000", "AA55431C409C", "AA5543370A14", "AA55431233FF"};
  QList<QByteArray> frames;
  for (const char* h : hex) frames << QByteArray::fromHex(h);
  return frames;
}

// What the simulated meter's state file holds after the reference transfer and "S".
inline QByteArray ReferenceStateFile() {
  return "# fluxa-sim meter parameters: <address> <16-bit word>\n"
         "0 16384\n2 -16384\n4 8192\n6 -300\n8 24575\n10 100\n12 31568\n14 0\n16 -8192\n"
         "18 -205\n20 32767\n22 -32767\n24 33\n26 -11511\n28 -25536\n32 29650\n34 -1\n"
         "36 19875\n38 1000\n40 0\n42 0\n44 31170\n46 1000\n48 300\n50 -2\n55 5130\n";
}
