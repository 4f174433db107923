// Quality restriction sentences and update status lines of a parameter row.
#include "app/Restrictions.h"

#include "util/RtfReader.h"
#include "util/TextLines.h"
#include "util/uString.h"

namespace veltra {

namespace {

constexpr qsizetype ValueColumn = 24; // the value of a labelled Info line starts here
constexpr qsizetype SentenceIndent = 8;

QString FileDateText(const QString& fileName)
{
    QString dateText;
    bool readOnly = false, archive = false, system = false, hidden = false;
    GetFileInfo(fileName, dateText, readOnly, archive, system, hidden);
    return dateText;
}

} // namespace

QString RestrictionCode(const QStringList& infoLines)
{
    QString code;
    for (const QString& line : infoLines) {
        if (ExtractWord(line, 1, StandardWordDelimiters) == u"Restrictions")
            code += line.mid(ValueColumn) + u' ';
    }
    // The joined parts end with the blank added after the last one and,
    // normally, the carriage return of the last line. Both go; a last line
    // without its carriage return keeps every flag character.
    if (code.endsWith(u' '))
        code.chop(1);
    if (code.endsWith(u'\r'))
        code.chop(1);
    code = TrimLeftText(code);
    const qsizetype lineFeed = code.indexOf(u'\n');
    if (lineFeed >= 0)
        code.truncate(lineFeed);
    return code;
}

QString RestrictionText(const QStringList& infoLines)
{
    if (infoLines.isEmpty())
        return QString();
    const QString code = RestrictionCode(infoLines);
    QString text;
    const qsizetype reach = std::min<qsizetype>(code.size(), QualityFlagSentences.size());
    for (qsizetype i = 0; i < reach; ++i) {
        if (code[i] == u'1')
            text += Blanks(SentenceIndent) + QualityFlagSentences[i] + u'\n';
    }
    if (text.isEmpty() && !code.isEmpty())
        text = Blanks(SentenceIndent) + NoRestrictionsSentence + u'\n';
    return text;
}

QStringList RestrictionDisplayLines(const QString& infoFieldText, RestrictionLayout layout)
{
    QStringList lines{QString(RestrictionsHeaderLine)};
    if (layout == RestrictionLayout::BlankAfterHeader)
        lines << QString();
    return lines + TextLines(RestrictionText(InfoLines(infoFieldText)));
}

QStringList UpdateStatusLines(const QString& mainDataSetFile, const QString& dataFile,
                              const QString& fileType, const QString& change)
{
    QStringList lines;
    lines << QStringLiteral("Update status of Veltra data");
    lines << QStringLiteral("Main Data Set  : ") + FileDateText(mainDataSetFile);
    if (!dataFile.isEmpty())
        lines << QStringLiteral("Reference File : ") + FileDateText(dataFile) +
                     QStringLiteral("  as ") + dataFile;
    lines << QStringLiteral("Updated        : ") + fileType;
    if (!change.isEmpty())
        lines << QStringLiteral("Changed        : ") + change;
    return lines;
}

} // namespace veltra
