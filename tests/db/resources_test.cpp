#include "db/resources.h"

#include "file_fixtures.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace fixtures;

namespace {

// The registry keeps only a view of the bytes, so they live as long as the program does.
const QByteArray& payload() {
    static const QByteArray bytes = databaseLike(5000);
    return bytes;
}

const QByteArray& largePayload() {
    static const QByteArray bytes = databaseLike(256 * 1024);
    return bytes;
}

// What runs out while the copy is written.
enum class Shortage { FileSizeLimit, FullFileSystem };

enum class Obstacle {
    MissingDirectory,
    ReadOnlyFile,
    SymlinkToFile,
    DanglingSymlink,
    HardLinkedFile,
    DirectoryAtPath,
    ForeignFile,
    UnwritableDirectory,
    NulInPath,
};

} // namespace

Q_DECLARE_METATYPE(Shortage)

class ResourcesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void findsResourcesIgnoringCase_data();
    void findsResourcesIgnoringCase();
    void registeringAgainReplacesTheBytes();

    void writesTheResourceOverAnyLeftOver_data();
    void writesTheResourceOverAnyLeftOver();
    void missingResourceTouchesNothing_data();
    void missingResourceTouchesNothing();
    void refusesToCreateAndLeavesEverythingAsItWas_data();
    void refusesToCreateAndLeavesEverythingAsItWas();
    void writeFailureRemovesThePartialCopy_data();
    void writeFailureRemovesThePartialCopy();
    void writeLeavesSignalDispositionsAlone();

private:
    std::optional<QTemporaryDir> dir_;
    QString target_;
};

void ResourcesTest::initTestCase() {
    db::registerResource(u"mdb", u"ResBuild", bytesOf(payload()));
    db::registerResource(u"mdb", u"Empty", {});
    db::registerResource(u"mdb", u"Large", bytesOf(largePayload()));
}

void ResourcesTest::init() {
    dir_.emplace();
    QVERIFY(dir_->isValid());
    target_ = dir_->path() + u"//ResBuild.dll"_s;
}

void ResourcesTest::findsResourcesIgnoringCase_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");

    QTest::newRow("as registered") << u"mdb"_s << u"ResBuild"_s << true;
    QTest::newRow("capitals") << u"MDB"_s << u"RESBUILD"_s << true;
    QTest::newRow("mixed") << u"Mdb"_s << u"resbuild"_s << true;
    QTest::newRow("other name") << u"mdb"_s << u"ResBuild2"_s << false;
    QTest::newRow("other type") << u"dll"_s << u"ResBuild"_s << false;
    QTest::newRow("type and name swapped") << u"ResBuild"_s << u"mdb"_s << false;
}

void ResourcesTest::findsResourcesIgnoringCase() {
    QFETCH(QString, type);
    QFETCH(QString, name);
    QFETCH(bool, found);

    const auto bytes = db::findResource(type, name);
    QCOMPARE(bytes.has_value(), found);
    if (found) {
        QCOMPARE(bytes->data(), bytesOf(payload()).data());
        QCOMPARE(bytes->size(), bytesOf(payload()).size());
    }
}

void ResourcesTest::registeringAgainReplacesTheBytes() {
    static const QByteArray first = "first";
    static const QByteArray second = "second";
    db::registerResource(u"txt", u"Note", bytesOf(first));
    db::registerResource(u"TXT", u"NOTE", bytesOf(second));

    db::ExtractResourceToFile(u"note"_s, u"txt"_s, target_);
    QCOMPARE(readFile(target_), second);
}

void ResourcesTest::writesTheResourceOverAnyLeftOver_data() {
    QTest::addColumn<QString>("resource");
    QTest::addColumn<std::optional<QByteArray>>("leftOver");
    QTest::addColumn<int>("leftOverMode");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("umask");

    const std::optional<QByteArray> none;
    QTest::newRow("no file there") << u"ResBuild"_s << none << 0 << payload() << 022;
    QTest::newRow("truncated copy")
        << u"ResBuild"_s << std::optional(payload().left(100)) << 0600 << payload() << 022;
    QTest::newRow("longer foreign file")
        << u"ResBuild"_s << std::optional(QByteArray(20000, 'x')) << 0600 << payload() << 022;
    QTest::newRow("copy readable by others")
        << u"ResBuild"_s << std::optional(payload()) << 0644 << payload() << 022;
    QTest::newRow("empty resource over a file")
        << u"Empty"_s << std::optional(QByteArray("old")) << 0600 << QByteArray() << 022;
    // A umask that takes the owner's write permission must not leave a read-only copy, which
    // this and every later start would refuse as not ours to replace.
    QTest::newRow("umask 0277") << u"ResBuild"_s << none << 0 << payload() << 0277;
    QTest::newRow("umask 0222") << u"ResBuild"_s << none << 0 << payload() << 0222;
    QTest::newRow("umask 0777") << u"ResBuild"_s << none << 0 << payload() << 0777;
    QTest::newRow("umask 0") << u"ResBuild"_s << none << 0 << payload() << 0;
}

void ResourcesTest::writesTheResourceOverAnyLeftOver() {
    QFETCH(QString, resource);
    QFETCH(std::optional<QByteArray>, leftOver);
    QFETCH(int, leftOverMode);
    QFETCH(QByteArray, expected);
    QFETCH(int, umask);
    if (leftOver)
        QVERIFY(writeFile(target_, *leftOver, static_cast<mode_t>(leftOverMode)));
    const UmaskGuard mask(static_cast<mode_t>(umask));

    // The second write stands for the next start, over the copy the first one left.
    for (int start = 0; start < 2; ++start) {
        db::ExtractResourceToFile(resource, u"mdb"_s, target_);

        QCOMPARE(readFile(target_), expected);
        QCOMPARE(permissions(target_), mode_t(0600));
    }
}

void ResourcesTest::missingResourceTouchesNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("fileThere");

    QTest::newRow("unknown name, no file") << u"Missing"_s << u"mdb"_s << false;
    QTest::newRow("unknown name, file there") << u"Missing"_s << u"mdb"_s << true;
    QTest::newRow("known name, other type") << u"ResBuild"_s << u"dll"_s << true;
}

void ResourcesTest::missingResourceTouchesNothing() {
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(bool, fileThere);
    if (fileThere)
        QVERIFY(writeFile(target_, "earlier run", 0644));
    const QStringList before = snapshot(dir_->path());

    try {
        db::ExtractResourceToFile(name, type, target_);
        QFAIL("a missing resource was reported as written");
    } catch (const db::ResourceNotFoundError& error) {
        QVERIFY(QString::fromUtf8(error.what()).contains(name));
    }
    QCOMPARE(snapshot(dir_->path()), before);
}

void ResourcesTest::refusesToCreateAndLeavesEverythingAsItWas_data() {
    QTest::addColumn<Obstacle>("obstacle");

    QTest::newRow("directory missing") << Obstacle::MissingDirectory;
    QTest::newRow("read-only file") << Obstacle::ReadOnlyFile;
    QTest::newRow("symbolic link to a file") << Obstacle::SymlinkToFile;
    QTest::newRow("dangling symbolic link") << Obstacle::DanglingSymlink;
    QTest::newRow("file with a second name") << Obstacle::HardLinkedFile;
    QTest::newRow("directory at the path") << Obstacle::DirectoryAtPath;
    QTest::newRow("file of another user") << Obstacle::ForeignFile;
    QTest::newRow("directory not writable") << Obstacle::UnwritableDirectory;
    QTest::newRow("NUL in the path") << Obstacle::NulInPath;
}

void ResourcesTest::refusesToCreateAndLeavesEverythingAsItWas() {
    QFETCH(Obstacle, obstacle);
    const QString dir = dir_->path();
    const QString victim = dir + u"/victim"_s;
    QString path = target_;
    const bool root = ::geteuid() == 0;

    switch (obstacle) {
    case Obstacle::MissingDirectory:
        path = dir + u"/absent//ResBuild.dll"_s;
        break;
    case Obstacle::ReadOnlyFile:
        QVERIFY(writeFile(target_, "read-only left-over", 0400));
        break;
    case Obstacle::SymlinkToFile:
        QVERIFY(writeFile(victim, "somebody's data"));
        QVERIFY(QFile::link(victim, target_));
        break;
    case Obstacle::DanglingSymlink:
        QVERIFY(QFile::link(victim, target_));
        break;
    case Obstacle::HardLinkedFile:
        QVERIFY(writeFile(victim, "somebody's data"));
        QCOMPARE(::link(native(victim).constData(), native(target_).constData()), 0);
        break;
    case Obstacle::DirectoryAtPath:
        QVERIFY(QDir(dir).mkdir(u"ResBuild.dll"_s));
        break;
    case Obstacle::ForeignFile:
        if (!root)
            QSKIP("only root can give a file to another user");
        QVERIFY(writeFile(target_, "planted by another user", 0666));
        QCOMPARE(::chown(native(target_).constData(), 65534, 65534), 0);
        break;
    case Obstacle::UnwritableDirectory:
        if (root)
            QSKIP("root may write into any directory");
        QCOMPARE(::chmod(native(dir).constData(), 0500), 0);
        break;
    case Obstacle::NulInPath:
        path = dir + u"/ResBuild.dll"_s + QChar(u'\0') + u"tail"_s;
        break;
    }
    const QStringList before = snapshot(dir);

    bool refused = false;
    try {
        db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, path);
    } catch (const db::FileCreateError& error) {
        refused = true;
        QVERIFY2(QString::fromUtf8(error.what()).startsWith(u"Cannot create file \""_s),
                 error.what());
    }
    ::chmod(native(dir).constData(), 0700);
    QVERIFY(refused);
    QCOMPARE(snapshot(dir), before);
}

void ResourcesTest::writeFailureRemovesThePartialCopy_data() {
    QTest::addColumn<Shortage>("shortage");
    QTest::addColumn<bool>("leftOver");

    QTest::newRow("file-size limit") << Shortage::FileSizeLimit << false;
    QTest::newRow("file-size limit, over a longer left-over") << Shortage::FileSizeLimit << true;
    QTest::newRow("full file system") << Shortage::FullFileSystem << false;
    QTest::newRow("full file system, over a left-over") << Shortage::FullFileSystem << true;
}

// The write runs in a child process with SIGXFSZ at its default, as at the program's start: a
// file-size limit must end in the write error, not in the signal's silent death.
void ResourcesTest::writeFailureRemovesThePartialCopy() {
    QFETCH(Shortage, shortage);
    QFETCH(bool, leftOver);
    if (shortage == Shortage::FullFileSystem && ::geteuid() != 0)
        QSKIP("needs root to mount a small file system in a private mount namespace");
    constexpr rlim_t room = 64 * 1024;
    const QByteArray dir = native(dir_->path());

    const ChildOutcome child = runInChild([&](int reportFd) {
        std::signal(SIGXFSZ, SIG_DFL);
        if (shortage == Shortage::FullFileSystem) {
            const QByteArray size = "size=" + QByteArray::number(room);
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("vorlantix-test", dir.constData(), "tmpfs", 0, size.constData()) != 0)
                return ChildOutcome::kCannotRun;
        }
        if (leftOver && !writeFile(target_, QByteArray(room / 2, 'o')))
            return 3;
        if (shortage == Shortage::FileSizeLimit) {
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = room;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        try {
            db::ExtractResourceToFile(u"Large"_s, u"mdb"_s, target_);
            report(reportFd, "written in full");
            return 4;
        } catch (const db::FileWriteError& error) {
            report(reportFd, error.what());
            return exists(target_) ? 5 : 0;
        }
    });
    if (child.couldNotRun())
        QSKIP("cannot mount a small file system here");
    QVERIFY2(child.succeeded(), child.describe().constData());
    QVERIFY2(child.report.contains(native(target_)), child.report.constData());
}

// The copy is written on a worker while other threads run: what happens to SIGXFSZ in the
// meantime is the writing thread's affair alone. A second thread watches the signal's
// disposition, which belongs to the whole process, through writes that hit a file-size limit.
void ResourcesTest::writeLeavesSignalDispositionsAlone() {
    const ChildOutcome child = runInChild([&](int reportFd) {
        std::signal(SIGXFSZ, SIG_DFL);
        std::atomic<bool> watching = false;
        std::atomic<bool> done = false;
        std::atomic<bool> changed = false;
        std::thread watcher([&] {
            while (!done) {
                struct sigaction now {};
                ::sigaction(SIGXFSZ, nullptr, &now);
                if (now.sa_handler != SIG_DFL)
                    changed = true;
                watching = true;
            }
        });
        while (!watching)
            std::this_thread::yield();
        // Whole writes, and writes cut short by a file-size limit.
        for (int round = 0; round < 400 && !changed; ++round) {
            if (round == 200) {
                rlimit limit{};
                ::getrlimit(RLIMIT_FSIZE, &limit);
                limit.rlim_cur = 64 * 1024;
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            try {
                db::ExtractResourceToFile(u"Large"_s, u"mdb"_s, target_);
            } catch (const db::FileWriteError&) {
                if (round < 200)
                    return 3;
            }
        }
        done = true;
        watcher.join();
        if (changed)
            report(reportFd, "the disposition of SIGXFSZ changed during a write");
        return changed ? 2 : 0;
    });
    QVERIFY2(child.succeeded(), child.describe().constData());
}

QTEST_GUILESS_MAIN(ResourcesTest)
#include "resources_test.moc"
