#include "convert/AgeGroup.h"

#include "convert/ConvertParameterSets.h"
#include "data/DataTable.h"
#include "util/RtfReader.h"
#include "util/TextLines.h"

namespace veltra {

namespace {

QString Text(const DataTable& table, int row, const QString& field)
{
    const int index = table.fieldIndex(field);
    if (!table.isOpen() || row < 0 || row >= table.recordCount() || index < 0)
        return {};
    return table.value(row, index);
}

} // namespace

AgeGroupTexts CurrentAgeGroup(const DataTable& dataFile)
{
    return AgeGroupAt(dataFile, dataFile.recNo() - 1);
}

AgeGroupTexts AgeGroupAt(const DataTable& dataFile, int row)
{
    AgeGroupTexts group;
    if (!dataFile.hasField(QStringLiteral("AGEGRP"))) {
        group.caption = QStringLiteral("Group: undef.");
    } else {
        group.caption = QStringLiteral("Group:") + Text(dataFile, row, QStringLiteral("AGEGRP"));
        if (dataFile.hasField(QStringLiteral("AGEMin")))
            group.caption += QStringLiteral(" Age: ") +
                             Text(dataFile, row, QStringLiteral("AGEMin")) + QStringLiteral(" - ");
        if (dataFile.hasField(QStringLiteral("AGEMax")))
            group.caption += Text(dataFile, row, QStringLiteral("AGEMax"));
    }
    group.gfLines = TextLines(Text(dataFile, row, QStringLiteral("GENERALF")));
    group.moments = Text(dataFile, row, QStringLiteral("MOMENTS"));
    group.quantiles = Text(dataFile, row, QStringLiteral("QUANTILES"));
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
