// Writes a data packet (the XML table file format) in either file form.
#pragma once

#include "data/DataPacket.h"
#include "data/DataTable.h"

#include <QByteArray>
#include <QString>

namespace veltra {

/// Writes the fields, the PARAMS attributes and every row of a packet. Empty values are
/// left out (an absent attribute is an empty value). Rows with a change are written as
/// a change log: RowState 4 for an inserted row, 2 for a deleted row with its saved
/// values, and for a modified row its saved values with RowState 1 followed by a row
/// with RowState 8 holding the changed values (empty ones written as ""). The change log
/// is left out when a field itself is named RowState; the rows are then written as
/// they stand.
///
/// Utf8 form: characters as UTF-8. Plain form: pure ASCII, every other character of a
/// value as a numeric character reference. Field names cannot hold references; a
/// non-ASCII field name is written as UTF-8 in both forms, which a reader without an
/// encoding declaration reads as UTF-8.
class DataPacketWriter
{
public:
    static QByteArray write(const DataPacket& packet, PacketForm form);
    /// Writes atomically: the old file stays whole when anything fails. Throws
    /// VeltraError naming the file.
    static void writeFile(const DataPacket& packet, PacketForm form, const QString& path);
    /// True when name can be written as an XML attribute name.
    static bool isValidName(const QString& name);
};

} // namespace veltra
