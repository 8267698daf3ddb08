// Compiled against fluxa_core alone; the build must fail because no widget header is reachable.
#include <QWidget>
int probe() { return sizeof(QWidget); }
