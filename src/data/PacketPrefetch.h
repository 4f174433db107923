// A packet file read and parsed on a worker thread while the caller does other work, for
// a table to take later instead of reading the file itself.
#pragma once

#include "data/DataTable.h"

#include <QString>
#include <atomic>
#include <thread>

namespace veltra {

/// Starts reading and parsing one packet file on its own thread when it is made
/// (ParsedPacketFile::read). The worker touches no table and needs no event loop; the
/// table is filled on the caller's thread by takeInto. Destroying the prefetch stops the
/// worker before its parse when it can and always waits for it, so no thread outlives it.
class PacketPrefetch
{
public:
    explicit PacketPrefetch(const QString& path);
    ~PacketPrefetch();
    PacketPrefetch(const PacketPrefetch&) = delete;
    PacketPrefetch& operator=(const PacketPrefetch&) = delete;

    /// The path as given: the one a load must name to take the prefetch.
    const QString& path() const { return m_path; }
    /// Waits until the worker has ended.
    void wait();
    /// Waits for the worker. When it read the file that path() names now, unchanged
    /// since (ParsedPacketFile::isCurrent), installs that into table as
    /// table.loadFromFile(path()) would, throwing the same error for a packet the reader
    /// refuses, and returns true. Otherwise returns false and leaves table as it is: the
    /// caller reads the file itself. Either way the prefetch is used up.
    bool takeInto(DataTable& table);

private:
    QString m_path;
    ParsedPacketFile m_parsed; // written by the worker, read after it has been joined
    std::atomic<bool> m_stop{false};
    std::thread m_worker;
};

} // namespace veltra
