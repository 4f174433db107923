// veltra-cli: the viewer's outputs for scripts and other programs.
#include "cli/CliApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <memory>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    std::unique_ptr<QCoreApplication> app;
    if (veltra::CliApp::NeedsGuiApplication(arguments)) {
        // PDF pages are drawn with the Gui module's fonts; no window is shown, so the
        // offscreen platform serves on any machine, with or without a display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The folder Qt falls back to anyway when the session names none, named here so
        // that a command run outside a desktop session prints no warning about it.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR",
                    QDir::tempPath().toLocal8Bit() + "/runtime-" + QByteArray::number(getuid()));
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return veltra::CliApp().run(QCoreApplication::arguments());
}
