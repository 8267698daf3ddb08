#pragma once
// The program's icon: the emblem of the start-up artwork (the bar magnet in its round badge),
// square, on a transparent ground. The window icon and the desktop entry's icon both come from it.
#include <QImage>

QImage ProgramIcon(int size);
