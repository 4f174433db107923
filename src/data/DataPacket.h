// The content of a data packet as the reader delivers it and the writer takes it.
#pragma once

#include "data/FieldDef.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace veltra {

/// How a row differs from the saved state of its table (the change log).
enum class RowChange : quint8
{
    None,     // unchanged since the last merge
    Inserted, // appended since the last merge
    Modified, // edited since the last merge; `original` holds the saved values
    Deleted   // removed since the last merge; `values` are the saved values
};

struct PacketRow
{
    QStringList values;   // one value per field, in field order
    QStringList original; // saved values of a modified row; empty otherwise
    RowChange change = RowChange::None;
};

struct DataPacket
{
    QList<FieldDef> fields;
    /// Attributes of the PARAMS element in file order (table properties).
    QList<std::pair<QString, QString>> params;
    std::vector<PacketRow> rows; // file order
};

} // namespace veltra
