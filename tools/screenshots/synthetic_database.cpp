// Writes the synthetic database of the benchmarks (20,000 parameter rows) into a folder,
// for the picture of the wait notice in tools/screenshot.sh: its index generation takes
// long enough to be seen.
//
//   veltra-shot-synthetic FOLDER
#include "SyntheticDatabase.h"
#include "util/VeltraError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: veltra-shot-synthetic FOLDER\n");
        return 2;
    }
    try {
        const veltra::SyntheticDatabase db;
        const QDir target(QString::fromLocal8Bit(argv[1]));
        const QDir source(db.dir());
        for (const QString& name : source.entryList(QDir::Files)) {
            const QString to = target.filePath(name);
            QFile::remove(to);
            if (!QFile::copy(source.filePath(name), to))
                throw veltra::VeltraError(QStringLiteral("cannot copy %1 to %2").arg(name, to));
        }
    } catch (const veltra::VeltraError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
