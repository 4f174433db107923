// The run protocol: the lines of the "Prot./Options" view, written by every part of the
// program that reports file access, checks and index generation.
#pragma once

#include <QObject>
#include <QStringList>

namespace veltra {

/// The protocol lines of one run. Lines are appended; the last line may be extended;
/// the whole log can be cleared or replaced (the view lets the user type into it).
/// Every change is reported synchronously, so a view shows the log as it grows.
class ProtocolLog : public QObject
{
    Q_OBJECT
public:
    explicit ProtocolLog(QObject* parent = nullptr);

    /// Appends text as the new last line; an empty text gives an empty line.
    void AddLine(const QString& text);
    /// Appends text to the last line (a new line when the log is empty).
    void ExtendLastLine(const QString& text);
    void Clear();
    /// Replaces every line, for a view the user typed into.
    void SetLines(const QStringList& lines);

    const QStringList& lines() const { return m_lines; }

Q_SIGNALS:
    void lineAdded(const QString& line);
    void lastLineExtended(const QString& addedText);
    /// The log was cleared or replaced as a whole.
    void linesReset();

private:
    QStringList m_lines;
};

} // namespace veltra
