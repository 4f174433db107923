// Fuzz target for the RTF reader: arbitrary bytes, read as Latin-1 text, go
// through the document builder and the Info line splitter.
#include "util/RtfReader.h"

#include <QString>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTextDocument document;
    veltra::SetFieldText(&document, text);
    const QStringList lines = veltra::InfoLines(text);
    // Every Info line ends with its carriage return and holds no other break.
    for (const QString& line : lines) {
        if (!line.endsWith(u'\r') || line.indexOf(u'\r') != line.size() - 1 || line.contains(u'\n'))
            __builtin_trap();
    }
    (void)veltra::FirstInfoLine(text);
    return 0;
}
