#include "app/AgeGroup.h"

#include "convert/ConvertParameterSets.h"
#include "data/DataTable.h"
#include "util/RtfReader.h"
#include "util/TextLines.h"

namespace veltra {

namespace {

QString Text(const DataTable& table, const QString& field)
{
    if (!table.isOpen() || table.recordCount() == 0 || !table.hasField(field))
        return {};
    return table.fieldText(field);
}

} // namespace

AgeGroupTexts CurrentAgeGroup(const DataTable& dataFile)
{
    AgeGroupTexts group;
    if (!dataFile.hasField(QStringLiteral("AGEGRP"))) {
        group.caption = QStringLiteral("Group: undef.");
    } else {
        group.caption = QStringLiteral("Group:") + Text(dataFile, QStringLiteral("AGEGRP"));
        if (dataFile.hasField(QStringLiteral("AGEMin")))
            group.caption += QStringLiteral(" Age: ") + Text(dataFile, QStringLiteral("AGEMin")) +
                             QStringLiteral(" - ");
        if (dataFile.hasField(QStringLiteral("AGEMax")))
            group.caption += Text(dataFile, QStringLiteral("AGEMax"));
    }
    group.gfLines = TextLines(Text(dataFile, QStringLiteral("GENERALF")));
    group.moments = Text(dataFile, QStringLiteral("MOMENTS"));
    group.quantiles = Text(dataFile, QStringLiteral("QUANTILES"));
    return group;
}

QString CurrentContentText(const QString& infoFieldText)
{
    return QStringLiteral("Current : ") + FirstInfoLine(infoFieldText);
}

GeneratorResult SelectedFunctions(const QString& contentText, const AgeGroupTexts& group)
{
    GeneratorResult result = ConvertParameterSets(group.gfLines);
    result.lines =
        QStringList{contentText + QStringLiteral("  ") + group.caption, QString()} + result.lines;
    return result;
}

} // namespace veltra
