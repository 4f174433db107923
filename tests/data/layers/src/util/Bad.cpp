// A core file that pulls in widgets and a window: the layer check must name each line.
#include "search/ui/uThesau1.h"
#include <QString>
#include <QWidget>
