// A window outside the main window's folder that includes the main window.
#include <QWidget>
#include "app/ui/fMain.h"
