// Reads a saved .xlsx workbook back with an independent reader (openpyxl through
// tests/common/read_workbook.py) for the tests of the workbook writer and its users.
#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

namespace fixture {

/// The workbook as openpyxl reads it: {"sheets": [{"name", "freeze", "widths": {letter:
/// width}, "rows": [[{"type", "value", "format", "bold"}]]}]}. On failure an empty object
/// and the reason in *error.
inline QJsonObject ReadWorkbook(const QString& path, QString* error)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(VELTRA_TEST_DATA_DIR "/../common/read_workbook.py"), path});
    if (!python.waitForStarted() || !python.waitForFinished(120000)) {
        *error = QStringLiteral("/usr/bin/python3 did not run (tools/install-deps.sh)");
        return {};
    }
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        *error = QString::fromUtf8(python.readAllStandardError()) +
                 QStringLiteral("\n(python3-openpyxl is installed by tools/install-deps.sh)");
        return {};
    }
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(python.readAllStandardOutput(), &parse);
    if (parse.error != QJsonParseError::NoError) {
        *error = parse.errorString();
        return {};
    }
    return document.object();
}

/// The cell at a 0-based row and column of a sheet read by ReadWorkbook (an empty object
/// outside the sheet).
inline QJsonObject WorkbookCell(const QJsonObject& sheet, int row, int column)
{
    return sheet[QStringLiteral("rows")].toArray().at(row).toArray().at(column).toObject();
}

} // namespace fixture
