// Writes the benchmark program's synthetic database into a directory, so that whole
// processes (veltra-cli, the yardsticks) can be timed on the same files.
#include "SyntheticDatabase.h"

#include "util/VeltraError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const QDir target(QString::fromLocal8Bit(argv[1]));
    if (!target.exists() && !QDir().mkpath(target.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    try {
        const veltra::SyntheticDatabase db;
        const QDir source(db.dir());
        for (const QString& name : source.entryList(QDir::Files)) {
            QFile::remove(target.filePath(name));
            if (!QFile::copy(source.filePath(name), target.filePath(name))) {
                std::fprintf(stderr, "cannot copy %s\n", qPrintable(name));
                return 1;
            }
        }
    } catch (const veltra::VeltraError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
