// veltra-cli: the viewer's outputs for scripts and other programs.
#include "cli/CliApp.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return veltra::CliApp().run(QCoreApplication::arguments());
}
