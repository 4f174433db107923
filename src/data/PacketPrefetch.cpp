#include "data/PacketPrefetch.h"

#include <system_error>

namespace veltra {

PacketPrefetch::PacketPrefetch(const QString& path) : m_path(path)
{
    try {
        m_worker = std::thread([this] {
            try {
                m_parsed = ParsedPacketFile::read(m_path, &m_stop);
            } catch (...) {
                // Out of memory for the result: m_parsed stays empty and the table reads
                // the file itself, reporting what goes wrong then.
            }
        });
    } catch (const std::system_error&) {
        // No thread to be had: nothing is prefetched and the load reads the file itself,
        // as it does without a prefetch.
    }
}

PacketPrefetch::~PacketPrefetch()
{
    m_stop = true;
    wait();
}

void PacketPrefetch::wait()
{
    if (m_worker.joinable())
        m_worker.join();
}

bool PacketPrefetch::takeInto(DataTable& table)
{
    wait();
    ParsedPacketFile parsed = std::move(m_parsed);
    if (!parsed.isRead() || !parsed.isCurrent())
        return false;
    table.loadParsed(std::move(parsed));
    return true;
}

} // namespace veltra
