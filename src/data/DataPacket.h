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
    /// The content of the ROW element: the detail rows of nested fields.
    XmlFragment content;

    bool operator==(const PacketRow&) const = default;
};

/// Everything outside fields, table properties and rows that a file held: written back
/// by a save at the place it had. Each fragment's pieces carry their position among the
/// known children of their container (see XmlPiece::position).
struct PacketMarkup
{
    XmlFragment document;         // comments and PIs: 0 before the root element, 1 after
    XmlAttributes rootAttributes; // of DATAPACKET (Version among them)
    XmlFragment root;             // 0 before METADATA, 1 before ROWDATA, 2 after ROWDATA
    XmlAttributes metadataAttributes;
    XmlFragment metadata;      // 0 before FIELDS, 1 before PARAMS, 2 after PARAMS
    XmlFragment paramsContent; // the content of the PARAMS elements
    XmlAttributes fieldsAttributes;
    XmlFragment fields; // position: the number of FIELD elements before
    XmlAttributes rowDataAttributes;
    XmlFragment rowData; // position: the number of rows before

    bool operator==(const PacketMarkup&) const = default;
};

struct DataPacket
{
    QList<FieldDef> fields;
    /// Attributes of the PARAMS elements in file order (table properties). A name that
    /// appears in more than one PARAMS element keeps its first place and takes the last
    /// value, as if the elements were applied one after the other.
    QList<std::pair<QString, QString>> params;
    std::vector<PacketRow> rows; // file order
    PacketMarkup markup;

    bool operator==(const DataPacket&) const = default;
};

} // namespace veltra
