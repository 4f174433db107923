// Writes a data packet (the XML table file format) in either file form.
#pragma once

#include "data/DataPacket.h"
#include "data/DataTable.h"

#include <QByteArray>
#include <QString>

namespace veltra {

/// Writes the fields, the PARAMS attributes, every row and the markup the reader kept
/// (DataPacket::markup, FieldDef::attributes and content, PacketRow::content) at the
/// place it had. Empty values are left out (an absent attribute is an empty value).
/// Every string field gets a WIDTH: its own, or when it has none the length of its
/// longest value (at least 1). Rows with a change are written as a change log: RowState
/// 4 for an inserted row, 2 for a deleted row with its saved values, and for a modified
/// row its saved values with RowState 1 followed by a row with RowState 8 holding the
/// changed values (empty ones written as ""). The change log is left out when a field
/// itself is named RowState; the rows are then written as they stand.
///
/// Utf8 form: characters as UTF-8. Plain form: pure ASCII, every other character of a
/// value or text as a numeric character reference. Names, comments, PIs and CDATA
/// sections cannot hold references: when one of them is not ASCII, the plain form is
/// written with the UTF-8 form's declaration and those characters as UTF-8 (values stay
/// references), so no character is lost and every XML reader reads the file.
///
/// Throws VeltraError, writing nothing, when something cannot be written: a field name
/// that is no XML name while a row has a value for it (naming the field and the row), a
/// table property that is no XML name, an attribute given twice.
class DataPacketWriter
{
public:
    static QByteArray write(const DataPacket& packet, PacketForm form);
    /// Writes atomically: the old file stays whole when anything fails. A target that
    /// exists and is not a regular file (after symbolic links: a device, FIFO or folder)
    /// is refused before anything is written. Throws VeltraError naming the file and,
    /// for a failed write, the system's reason ("No space left on device").
    static void writeFile(const DataPacket& packet, PacketForm form, const QString& path);
    /// True when name can be written as an XML attribute name.
    static bool isValidName(const QString& name);
};

} // namespace veltra
