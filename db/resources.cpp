#include "db/resources.h"

#include "db/file_lock.h"
#include "db/posix_file.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace db {

namespace {

struct Resource {
    QString type;
    QString name;
    std::span<const std::byte> bytes;

    bool is(QStringView otherType, QStringView otherName) const {
        return type.compare(otherType, Qt::CaseInsensitive) == 0 &&
               name.compare(otherName, Qt::CaseInsensitive) == 0;
    }
};

struct Registry {
    std::mutex mutex;
    std::vector<Resource> resources;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

// Another instance may delete or replace the file between our open and our lock; then the lock
// sits on a file nobody will see, and we open the path again.
constexpr int openAttempts = 3;

[[noreturn]] void failCreate(const QString& path, const QString& reason) {
    throw FileCreateError((u"Cannot create file \""_s + path + u"\": "_s + reason).toStdString());
}

[[noreturn]] void failWrite(const QString& path, const QString& reason) {
    throw FileWriteError((u"Cannot write file \""_s + path + u"\": "_s + reason).toStdString());
}

// Where the file is written: the directory it goes in, held open so that the file is written,
// and later deleted, in that very directory whatever happens to the directory's name, and the
// file's name there.
struct Place {
    posix::UniqueFd directory;
    QByteArray name;
};

// Creates the file `name` in `directory`, or opens the one already there (then `created` stays
// false).
posix::UniqueFd createOrOpen(const Place& place, const QString& path, bool& created) {
    for (int attempt = 0; attempt < openAttempts; ++attempt) {
        posix::UniqueFd file = posix::openAtNoFollow(place.directory.get(), place.name,
                                                     O_RDWR | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR);
        created = file.valid();
        if (created)
            return file;
        if (errno != EEXIST)
            failCreate(path, posix::describeOpenFailure(errno));
        file = posix::openAtNoFollow(place.directory.get(), place.name, O_RDWR);
        if (file.valid())
            return file;
        // Deleted by another instance between our two opens: try creating it again.
        if (errno != ENOENT)
            failCreate(path, posix::describeOpenFailure(errno));
    }
    failCreate(path, u"another program keeps replacing it"_s);
}

// The directory `path` lies in, opened, and the file's name there.
Place placeOf(const QString& path) {
    const std::optional<QByteArray> native = posix::nativePath(path);
    if (!native)
        failCreate(path, u"the path contains a NUL character"_s);
    Place place{posix::openParentDirectory(*native), posix::splitPath(*native).name};
    if (!place.directory.valid())
        failCreate(path, qt_error_string(errno));
    return place;
}

// Opens the file at `place` for writing it from the start, holding it exclusively. A file
// already there is only cut to length 0 once every check has passed, so any refusal leaves it as
// it was.
posix::UniqueFd openForReplacing(const Place& place, const QString& path) {
    for (int attempt = 0; attempt < openAttempts; ++attempt) {
        bool created = false;
        posix::UniqueFd file = createOrOpen(place, path, created);
        // The umask may have taken the owner's write permission from a file we have just made;
        // it is ours, and must not read as a read-only file to this or a later start.
        if (created && ::fchmod(file.get(), S_IRUSR | S_IWUSR) != 0)
            failCreate(path, qt_error_string(errno));
        struct stat info {};
        if (::fstat(file.get(), &info) != 0)
            failCreate(path, qt_error_string(errno));
        if (const QString reason = posix::reasonNotOurs(info); !reason.isEmpty())
            failCreate(path, reason);
        if (!posix::tryLock(file.get(), LOCK_EX))
            failCreate(path, posix::describeLockFailure(errno));
        if (!posix::nameNamesFile(place.directory.get(), place.name, file.get()))
            continue;
        // A left-over copy may have been readable by others; the new content is for us alone.
        if (::fchmod(file.get(), S_IRUSR | S_IWUSR) != 0 || ::ftruncate(file.get(), 0) != 0)
            failCreate(path, qt_error_string(errno));
        return file;
    }
    failCreate(path, u"another program keeps replacing it"_s);
}

// A write beyond the file-size limit (RLIMIT_FSIZE) raises SIGXFSZ, which ends the program
// without a word by default. While this object lives the signal is held back from the calling
// thread, so the write fails with EFBIG instead and takes the write-error path; one raised
// meanwhile is taken off again. Only the thread's own signal mask changes: the signal's
// disposition belongs to the whole process, whose other threads run on.
class SignalHeldBack {
public:
    explicit SignalHeldBack(int signal) : signal_(signal) {
        sigemptyset(&held_);
        sigaddset(&held_, signal);
        ::pthread_sigmask(SIG_BLOCK, &held_, &saved_);
    }
    SignalHeldBack(const SignalHeldBack&) = delete;
    SignalHeldBack& operator=(const SignalHeldBack&) = delete;
    ~SignalHeldBack() {
        sigset_t pending;
        // One that was held back before is left for whoever held it back.
        if (sigismember(&saved_, signal_) != 1 && ::sigpending(&pending) == 0 &&
            sigismember(&pending, signal_) == 1) {
            const timespec now{};
            ::sigtimedwait(&held_, nullptr, &now);
        }
        ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
    }

private:
    int signal_;
    sigset_t held_{};
    sigset_t saved_{};
};

void writeAll(int fd, std::span<const std::byte> bytes, const QString& path) {
    const SignalHeldBack fileSizeSignal(SIGXFSZ);
    while (!bytes.empty()) {
        const size_t chunk = std::min<size_t>(bytes.size(), SSIZE_MAX);
        const ssize_t written = ::write(fd, bytes.data(), chunk);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            failWrite(path, qt_error_string(errno));
        if (written == 0)
            failWrite(path, u"no bytes were written"_s);
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
    // Some file systems report a failed write only when a descriptor of the file is closed. The
    // file itself stays open for the connection, so a second descriptor of it is closed instead.
    const int probe = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (probe < 0 || (::close(probe) != 0 && errno != EINTR))
        failWrite(path, qt_error_string(errno));
}

// A copy cut short is no database: it goes at once, giving a full disk its room back, instead of
// staying until the window closes (or for good, if the program never gets there).
void removePartialCopy(const Place& place, int fd) {
    if (posix::nameNamesFile(place.directory.get(), place.name, fd))
        ::unlinkat(place.directory.get(), place.name.constData(), 0);
}

} // namespace

void registerResource(QStringView type, QStringView name, std::span<const std::byte> bytes) {
    Registry& reg = registry();
    const std::lock_guard lock(reg.mutex);
    const auto known = std::find_if(reg.resources.begin(), reg.resources.end(),
                                    [&](const Resource& r) { return r.is(type, name); });
    if (known != reg.resources.end())
        known->bytes = bytes;
    else
        reg.resources.push_back({type.toString(), name.toString(), bytes});
}

std::optional<std::span<const std::byte>> findResource(QStringView type, QStringView name) {
    Registry& reg = registry();
    const std::lock_guard lock(reg.mutex);
    const auto found = std::find_if(reg.resources.begin(), reg.resources.end(),
                                    [&](const Resource& r) { return r.is(type, name); });
    if (found == reg.resources.end())
        return std::nullopt;
    return found->bytes;
}

void ExtractResourceToFile(const QString& name, const QString& type, const QString& path) {
    const std::optional<std::span<const std::byte>> bytes = findResource(type, name);
    if (!bytes) {
        throw ResourceNotFoundError(
            (u"Resource \""_s + name + u"\" of type \""_s + type + u"\" not found"_s)
                .toStdString());
    }
    // Our own earlier copy at this path is no other instance's: it must not stand in the way.
    releaseWrittenFile(path);
    Place place = placeOf(path);
    posix::UniqueFd file = openForReplacing(place, path);
    try {
        writeAll(file.get(), *bytes, path);
    } catch (const FileWriteError&) {
        removePartialCopy(place, file.get());
        throw;
    }
    keepWrittenFile(path, std::move(place.directory), std::move(place.name), std::move(file));
}

} // namespace db
