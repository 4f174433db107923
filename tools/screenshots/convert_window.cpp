// Shows the conversion window on its own, as the viewer creates it, for the pictures of
// tools/screenshot.sh. The viewer has no menu entry that opens this window, so the script
// starts this program instead and drives the window with keys like a user: it types GF
// lines into the input area and presses the Transform button.
//
//   veltra-shot-convert
//
// Errors of the window's handlers end in the general error message, as in the viewer.
// Closing the window ends the program.
#include "convert/ui/fConvertPP.h"
#include "widgets/ErrorGuard.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltra"));
    veltra::ErrorGuard guard;
    veltra::TfConvertPP window(guard);
    window.show();
    window.activateWindow();
    return QApplication::exec();
}
