#include "file_race.h"

#include <cerrno>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace file_race {
namespace {

struct Race {
    std::mutex mutex;
    QByteArray path;
    QByteArray name;
    Move move = Move::DeleteBeforeLock;
    int left = 0;
    int ran = 0;
};

Race& race() {
    static Race instance;
    return instance;
}

template <typename Function>
Function* next(const char* symbol) {
    return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, symbol));
}

using OpenAt = int(int, const char*, int, ...);

OpenAt* realOpenAt() {
    static OpenAt* const real = next<OpenAt>("openat");
    return real;
}

bool namesPath(int fd, const QByteArray& path) {
    struct stat open {};
    struct stat atPath {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.constData(), &atPath) == 0 &&
           open.st_dev == atPath.st_dev && open.st_ino == atPath.st_ino;
}

// Whether `move` is due now; counts it as run.
bool due(Race& state, Move move) {
    if (state.left == 0 || state.move != move)
        return false;
    if (state.left > 0)
        --state.left;
    ++state.ran;
    return true;
}

void replace(const QByteArray& path) {
    const QByteArray other = path + ".other";
    const int fd = realOpenAt()(AT_FDCWD, other.constData(),
                                O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return;
    const ssize_t written = ::write(fd, kOtherContent, sizeof kOtherContent - 1);
    ::close(fd);
    if (written == static_cast<ssize_t>(sizeof kOtherContent - 1))
        ::rename(other.constData(), path.constData());
}

void beforeLock(int fd) {
    Race& state = race();
    const std::lock_guard lock(state.mutex);
    if (state.left == 0 || !namesPath(fd, state.path))
        return;
    if (due(state, Move::DeleteBeforeLock))
        ::unlink(state.path.constData());
    else if (due(state, Move::ReplaceBeforeLock))
        replace(state.path);
}

void beforeTruncate(int fd) {
    Race& state = race();
    const std::lock_guard lock(state.mutex);
    if (state.left != 0 && namesPath(fd, state.path) && due(state, Move::ReplaceBeforeTruncate))
        replace(state.path);
}

int openRacing(int directory, const char* file, int flags, mode_t mode) {
    Race& state = race();
    std::unique_lock lock(state.mutex);
    const bool exclusiveCreate = (flags & (O_CREAT | O_EXCL)) == (O_CREAT | O_EXCL);
    if (!exclusiveCreate || state.name != file || !due(state, Move::DeleteAfterExclusiveCreate)) {
        lock.unlock();
        return realOpenAt()(directory, file, flags, mode);
    }
    const int made =
        realOpenAt()(directory, file, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (made >= 0)
        ::close(made);
    const int fd = realOpenAt()(directory, file, flags, mode);
    const int error = errno;
    ::unlinkat(directory, file, 0);
    errno = error;
    return fd;
}

int openWithMode(int directory, const char* file, int flags, va_list arguments) {
    // The mode argument is there only for calls that may create the file.
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(arguments, mode_t) : 0;
    return openRacing(directory, file, flags, mode);
}

} // namespace

void arm(const QByteArray& path, Move move, int times) {
    Race& state = race();
    const std::lock_guard lock(state.mutex);
    state.path = path;
    state.name = path.mid(path.lastIndexOf('/') + 1);
    state.move = move;
    state.left = times;
    state.ran = 0;
}

int disarm() {
    Race& state = race();
    const std::lock_guard lock(state.mutex);
    state.left = 0;
    return state.ran;
}

} // namespace file_race

extern "C" {

int flock(int fd, int operation) {
    static auto* const real = file_race::next<int(int, int)>("flock");
    file_race::beforeLock(fd);
    return real(fd, operation);
}

int ftruncate(int fd, off_t length) {
    static auto* const real = file_race::next<int(int, off_t)>("ftruncate");
    file_race::beforeTruncate(fd);
    return real(fd, length);
}

int ftruncate64(int fd, off64_t length) {
    static auto* const real = file_race::next<int(int, off64_t)>("ftruncate64");
    file_race::beforeTruncate(fd);
    return real(fd, length);
}

int openat(int directory, const char* file, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int fd = file_race::openWithMode(directory, file, flags, arguments);
    va_end(arguments);
    return fd;
}

int openat64(int directory, const char* file, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int fd = file_race::openWithMode(directory, file, flags, arguments);
    va_end(arguments);
    return fd;
}

} // extern "C"
