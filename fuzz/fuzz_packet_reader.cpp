// Fuzz target for the data packet reader: arbitrary bytes are read as a packet; what
// reads must survive writing in both forms and reading again unchanged.
#include "data/DataPacketReader.h"
#include "data/DataPacketWriter.h"
#include "util/VeltraError.h"

#include <cstddef>
#include <cstdint>

namespace {

bool sameFields(const veltra::FieldDef& a, const veltra::FieldDef& b)
{
    return a.name == b.name && a.typeName == b.typeName && a.type == b.type && a.width == b.width &&
           a.subtype == b.subtype && a.required == b.required && a.readOnly == b.readOnly &&
           a.hidden == b.hidden;
}

void checkRoundTrip(const veltra::DataPacket& packet, veltra::PacketForm form)
{
    QByteArray bytes;
    try {
        bytes = veltra::DataPacketWriter::write(packet, form);
    } catch (const veltra::VeltraError&) {
        // Only a field name that is no XML name may stop the writer.
        for (const veltra::FieldDef& f : packet.fields) {
            if (!veltra::DataPacketWriter::isValidName(f.name))
                return;
        }
        __builtin_trap();
    }
    const veltra::DataPacket back = veltra::DataPacketReader::read(bytes, QStringLiteral("w"));
    if (back.fields.size() != packet.fields.size() || back.params != packet.params ||
        back.rows.size() != packet.rows.size())
        __builtin_trap();
    for (qsizetype i = 0; i < packet.fields.size(); ++i) {
        if (!sameFields(back.fields.at(i), packet.fields.at(i)))
            __builtin_trap();
    }
    for (size_t i = 0; i < packet.rows.size(); ++i) {
        if (back.rows[i].values != packet.rows[i].values)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    veltra::DataPacket packet;
    try {
        packet = veltra::DataPacketReader::read(bytes, QStringLiteral("fuzz"));
    } catch (const veltra::VeltraError&) {
        return 0; // malformed input is an expected outcome
    }
    checkRoundTrip(packet, veltra::PacketForm::Utf8);
    checkRoundTrip(packet, veltra::PacketForm::Plain);
    return 0;
}
