// Fuzz target for the data packet reader: arbitrary bytes are read as a packet. Whatever
// reads, both writer forms must write, and the result must read back as the same table
// (fields with all their attributes, rows, values, table properties, kept markup) and
// write again to the same bytes. A table loading the same bytes (which decodes values in
// place) must agree with the reader: the same values, or the same error message.
#include "data/DataPacketReader.h"
#include "data/DataPacketWriter.h"
#include "data/DataTable.h"
#include "util/VeltraError.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

/// What a save makes of a packet the reader delivered: a string field without a width
/// gets the length of its longest value (at least 1), DATAPACKET gets a Version.
veltra::DataPacket afterSave(veltra::DataPacket packet)
{
    for (qsizetype i = 0; i < packet.fields.size(); ++i) {
        veltra::FieldDef& f = packet.fields[i];
        if (f.width > 0 ||
            (f.type != veltra::FieldType::String && f.type != veltra::FieldType::WideString))
            continue;
        qsizetype longest = 1;
        for (const veltra::PacketRow& row : packet.rows)
            longest = std::max(longest, row.values.at(i).size());
        f.width = int(longest);
    }
    auto& root = packet.markup.rootAttributes;
    const bool haveVersion = std::any_of(root.begin(), root.end(), [](const auto& a) {
        return a.first == QLatin1String("Version");
    });
    if (!haveVersion)
        root.prepend({QStringLiteral("Version"), QStringLiteral("2.0")});
    return packet;
}

void checkRoundTrip(const veltra::DataPacket& packet, const veltra::DataPacket& expected,
                    veltra::PacketForm form)
{
    QByteArray bytes;
    try {
        bytes = veltra::DataPacketWriter::write(packet, form);
    } catch (const veltra::VeltraError&) {
        __builtin_trap(); // whatever the reader accepts, the writer writes
    }
    if (form == veltra::PacketForm::Plain) {
        // Outside ASCII only with the UTF-8 declaration.
        const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0; });
        if (!ascii && !bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\""))
            __builtin_trap();
    }
    veltra::DataPacket back;
    try {
        back = veltra::DataPacketReader::read(bytes, QStringLiteral("w"));
    } catch (const veltra::VeltraError&) {
        __builtin_trap(); // a saved file must read again
    }
    if (!(back == expected))
        __builtin_trap();
    if (veltra::DataPacketWriter::write(back, form) != bytes)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    veltra::DataTable table;
    QString tableError;
    try {
        table.loadFromData(bytes, QStringLiteral("fuzz"));
    } catch (const veltra::VeltraError& e) {
        tableError = e.message();
    }
    veltra::DataPacket packet;
    try {
        packet = veltra::DataPacketReader::read(bytes, QStringLiteral("fuzz"));
    } catch (const veltra::VeltraError& e) {
        if (e.message() != tableError)
            __builtin_trap(); // the table fails as the reader does
        return 0;             // malformed input is an expected outcome
    }
    if (!tableError.isEmpty() || table.recordCount() != int(packet.rows.size()))
        __builtin_trap();
    for (int r = 0; r < table.recordCount(); ++r) {
        for (int f = 0; f < table.fieldCount(); ++f) {
            if (table.value(r, f) != packet.rows[size_t(r)].values.at(f))
                __builtin_trap();
        }
    }
    const veltra::DataPacket expected = afterSave(packet);
    checkRoundTrip(packet, expected, veltra::PacketForm::Utf8);
    checkRoundTrip(packet, expected, veltra::PacketForm::Plain);
    return 0;
}
