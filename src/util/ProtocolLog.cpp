#include "util/ProtocolLog.h"

namespace veltra {

ProtocolLog::ProtocolLog(QObject* parent) : QObject(parent) {}

void ProtocolLog::AddLine(const QString& text)
{
    m_lines.append(text);
    Q_EMIT lineAdded(text);
}

void ProtocolLog::ExtendLastLine(const QString& text)
{
    if (m_lines.isEmpty()) {
        AddLine(text);
        return;
    }
    m_lines.last() += text;
    Q_EMIT lastLineExtended(text);
}

void ProtocolLog::Clear()
{
    m_lines.clear();
    Q_EMIT linesReset();
}

void ProtocolLog::SetLines(const QStringList& lines)
{
    m_lines = lines;
    Q_EMIT linesReset();
}

} // namespace veltra
