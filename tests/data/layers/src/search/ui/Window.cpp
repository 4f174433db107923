// A window outside the main window's folder that includes the main window.
#include "app/ui/fMain.h"
#include <QWidget>
