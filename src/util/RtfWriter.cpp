#include "util/RtfWriter.h"

#include "util/VeltraError.h"

namespace veltra {

// PLACEHOLDER: replaced by the RTF writer's implementation before any commit.
QByteArray DocumentToRtf(const QTextDocument&)
{
    throw VeltraError(QStringLiteral("RTF writer not built yet"));
}

void WriteRtfFile(const QTextDocument&, const QString&)
{
    throw VeltraError(QStringLiteral("RTF writer not built yet"));
}

} // namespace veltra
