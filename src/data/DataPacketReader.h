// Reads a data packet (the XML table file format) from raw bytes.
#pragma once

#include "data/DataPacket.h"

#include <QByteArray>
#include <QString>

namespace veltra {

class PacketStore;

/// A strict, single-pass reader of data packets working on the raw bytes.
///
/// Encoding: a declared UTF-8 (any case) is decoded as UTF-8 and invalid UTF-8 is an
/// error; ISO-8859-1 and windows-1252 are decoded as Windows-1252; without an encoding
/// declaration the bytes are decoded as UTF-8 when they are valid UTF-8, otherwise as
/// Windows-1252 (older files carry single-byte texts without saying so). Any other
/// declared encoding is an error.
///
/// Change log: rows carrying a RowState attribute are applied while reading, so the
/// result holds the saved state with no pending changes: RowState 4 (inserted) keeps
/// the row, 2 (deleted) drops it, 1 marks the original of a modified row and the row
/// that follows with RowState 8 overrides the original's values with the attributes it
/// has. A RowState attribute is only special when no field has that name.
///
/// Fields: attrname and fieldtype as written; WIDTH and SUBTYPE in any case (other
/// engines write "width"); every other FIELD attribute is kept in FieldDef::attributes.
/// An unknown fieldtype is kept and read as text.
///
/// What the reader does not interpret is kept, checked for well-formedness, so that a
/// save writes it back: a nested field's definition (FieldDef::content), the detail rows
/// in a ROW (PacketRow::content), unknown elements and attributes, comments and PIs
/// (DataPacket::markup). Blanks between the elements it interprets are not kept.
/// Several PARAMS elements are merged; see DataPacket::params.
///
/// Errors throw VeltraError as `"<name>": line L, column C: <what is wrong>`; running out
/// of memory throws VeltraError naming the file too.
class DataPacketReader
{
public:
    static DataPacket read(const QByteArray& data, const QString& name);
    /// Same as read, but the rows go into store as slices of data instead of into the
    /// packet, whose rows stay empty. The store keeps data, with the values that held
    /// references decoded in place; hand it over unshared (moved) to spare a copy.
    static DataPacket readInto(QByteArray data, const QString& name, PacketStore& store);
};

} // namespace veltra
