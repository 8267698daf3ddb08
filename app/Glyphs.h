#pragma once
// The small pictures of the main window's flat buttons, drawn here rather than shipped.
#include <QIcon>

QIcon PauseGlyph();   // "PAUSE": two bars
QIcon PlayGlyph();    // "PLAY": a triangle
QIcon SingleGlyph();  // one result: a bar and a triangle
QIcon BinGlyph();     // empty the chart
QIcon ShowPanelGlyph();
QIcon HidePanelGlyph();
