#include "util/SafeFile.h"

#include "util/VeltraError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltra {

namespace {

/// The system's text for an error number.
QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString KindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a regular file");
}

/// A name beside target that no file has yet; prefix marks what it is for.
QByteArray SiblingName(const QByteArray& folder, const QByteArray& base, const char* prefix)
{
    const quint64 salt = QRandomGenerator::global()->generate64();
    return folder + '/' + '.' + base + prefix + QByteArray::number(salt, 36);
}

/// A descriptor that closes itself unless it was closed on purpose.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    /// Closes the descriptor; false with errno set when close fails. The descriptor is
    /// released either way (retrying a failed close may close another file).
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

/// Creates a new temporary file beside the target; -1 with errno set on failure. A name
/// that another file took meanwhile is replaced by a fresh one a few times.
int CreateTemporary(const QByteArray& folder, const QByteArray& base, mode_t mode, QByteArray& name)
{
    constexpr int Attempts = 16;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        name = SiblingName(folder, base, ".tmp-");
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            // A regular file that accepts nothing has no room left.
            errno = ENOSPC;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

bool SyncFile(int fd)
{
    int result;
    do {
        result = ::fdatasync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

/// Makes the folder's entries (the rename) durable; false with errno set on failure.
bool SyncFolder(const QByteArray& folder)
{
    Descriptor dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return false;
    int result;
    do {
        result = ::fsync(dir.get());
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        dir.close();
        errno = error;
        return false;
    }
    return dir.close();
}

} // namespace

QString NonRegularFileKind(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return KindOfMode(st.st_mode);
}

QString WriteFailureMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("cannot write \"%1\": %2").arg(path, reason);
}

void WriteFileOrThrow(const QString& path, const QByteArray& bytes)
{
    const QString reason = WriteFileSafely(path, bytes);
    if (!reason.isEmpty())
        throw VeltraError(WriteFailureMessage(path, reason));
}

QString WriteFileSafely(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty())
        return QStringLiteral("no file name given");
    QByteArray target = QFile::encodeName(path);

    // The kind of the target after symbolic links: only a regular file is replaced. A
    // link to one has its target replaced, so the link stays.
    mode_t mode = 0666;
    bool existed = false;
    struct stat st;
    if (::stat(target.constData(), &st) == 0) {
        const QString kind = KindOfMode(st.st_mode);
        if (!kind.isEmpty())
            return QStringLiteral("it is %1, not a regular file").arg(kind);
        existed = true;
        mode = st.st_mode & 07777;
        struct stat link;
        if (::lstat(target.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
            const QString resolved = QFileInfo(path).canonicalFilePath();
            if (resolved.isEmpty())
                return SystemReason(errno ? errno : ENOENT);
            target = QFile::encodeName(resolved);
        }
    } else if (errno != ENOENT) {
        return SystemReason(errno);
    }

    const QFileInfo info(QFile::decodeName(target));
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray base = QFile::encodeName(info.fileName());

    QByteArray temporary;
    Descriptor file(CreateTemporary(folder, base, mode, temporary));
    if (file.get() < 0)
        return SystemReason(errno);
    // The creation mode passes through the umask; an existing file keeps its own mode.
    if (existed)
        (void)::fchmod(file.get(), mode);

    auto fail = [&](int error) {
        ::unlink(temporary.constData());
        return SystemReason(error);
    };
    if (!WriteAll(file.get(), bytes) || !SyncFile(file.get())) {
        const int error = errno;
        file.close();
        return fail(error);
    }
    if (!file.close())
        return fail(errno);

    // A second name for the old file, so that it can be put back when the folder cannot
    // be synchronised after the rename. A file system without hard links goes without.
    QByteArray keep;
    if (existed) {
        keep = SiblingName(folder, base, ".old-");
        if (::link(target.constData(), keep.constData()) != 0)
            keep.clear();
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        if (!keep.isEmpty())
            ::unlink(keep.constData());
        return fail(error);
    }
    if (!SyncFolder(folder)) {
        const int error = errno;
        // The new file is in place but not known to be stored: the old one comes back,
        // and a file that did not exist before goes again.
        if (!existed)
            ::unlink(target.constData());
        else if (!keep.isEmpty() && ::rename(keep.constData(), target.constData()) != 0)
            ::unlink(keep.constData());
        return SystemReason(error);
    }
    if (!keep.isEmpty())
        ::unlink(keep.constData());
    return {};
}

} // namespace veltra
