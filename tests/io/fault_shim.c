/* A preload library that makes one call of the file system fail, as a failing disk or a
 * network file system would, to show that every write of the program is checked.
 *
 * VELTRA_FAULT_CALL  the call: write, fdatasync, fsync, close or rename
 * VELTRA_FAULT_N     which of its calls fails (1 the first); 0 fails none and only counts
 * VELTRA_FAULT_DIR   only calls on files below this folder count (reads of other files,
 *                    font caches and the like are left alone); write and close count only
 *                    for regular files open for writing
 * VELTRA_FAULT_COUNT a file that receives the number of counted calls at exit
 *
 * A failing call sets errno to EIO and does nothing else (a failing close still closes
 * the descriptor, as Linux does). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* selected_call(void)
{
    const char* call = getenv("VELTRA_FAULT_CALL");
    return call ? call : "";
}

static long counted;

static int below_folder(const char* path)
{
    const char* folder = getenv("VELTRA_FAULT_DIR");
    if (!folder || !*folder)
        return 1;
    char full[2 * PATH_MAX];
    if (path[0] != '/') {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof cwd))
            return 0;
        snprintf(full, sizeof full, "%s/%s", cwd, path);
        path = full;
    }
    return strncmp(path, folder, strlen(folder)) == 0;
}

static int descriptor_below_folder(int fd)
{
    char link[64], target[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n < 0)
        return 0;
    target[n] = '\0';
    return below_folder(target);
}

static int written_file(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
}

/* Counts the call when it is the selected one and in scope; true when it is to fail. */
static int fails(const char* call, int in_scope)
{
    if (strcmp(selected_call(), call) != 0 || !in_scope)
        return 0;
    ++counted;
    const char* n = getenv("VELTRA_FAULT_N");
    return n && atol(n) == counted;
}

__attribute__((destructor)) static void report_count(void)
{
    const char* path = getenv("VELTRA_FAULT_COUNT");
    if (!path)
        return;
    FILE* out = fopen(path, "w");
    if (out) {
        fprintf(out, "%ld\n", counted);
        fclose(out);
    }
}

#define REAL(type, name, ...) ((type(*)(__VA_ARGS__))dlsym(RTLD_NEXT, name))

ssize_t write(int fd, const void* buffer, size_t count)
{
    if (fails("write", written_file(fd) && descriptor_below_folder(fd))) {
        errno = EIO;
        return -1;
    }
    return REAL(ssize_t, "write", int, const void*, size_t)(fd, buffer, count);
}

int fdatasync(int fd)
{
    if (fails("fdatasync", descriptor_below_folder(fd))) {
        errno = EIO;
        return -1;
    }
    return REAL(int, "fdatasync", int)(fd);
}

int fsync(int fd)
{
    if (fails("fsync", descriptor_below_folder(fd))) {
        errno = EIO;
        return -1;
    }
    return REAL(int, "fsync", int)(fd);
}

int close(int fd)
{
    const int fail = fails("close", written_file(fd) && descriptor_below_folder(fd));
    const int result = REAL(int, "close", int)(fd);
    if (fail) {
        errno = EIO;
        return -1;
    }
    return result;
}

int rename(const char* from, const char* to)
{
    if (fails("rename", below_folder(from))) {
        errno = EIO;
        return -1;
    }
    return REAL(int, "rename", const char*, const char*)(from, to);
}
