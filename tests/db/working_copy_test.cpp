#include "db/connection.h"
#include "db/connection_string.h"
#include "db/database_error.h"
#include "db/file_lock.h"
#include "db/resources.h"
#include "db/temp_directory.h"
#include "db/working_copy.h"

#include "file_fixtures.h"
#include "squats.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sched.h>
#include <sys/mount.h>

using namespace Qt::Literals::StringLiterals;
using namespace fixtures;

namespace {

// A real Jet 4.0 file, so the first instance can connect to its copy as at start.
const QByteArray& firstDatabase() {
    static const QByteArray bytes =
        readFile(QStringLiteral(VORLANTIX_JET_FIXTURES "/mdbreader_V2000_no-password.mdb"));
    return bytes;
}

// Another user's database: a real Jet 4.0 file without the first one's table.
const QByteArray& foreignDatabase() {
    static const QByteArray bytes =
        readFile(QStringLiteral(VORLANTIX_JET_FIXTURES "/small_remedies.mdb"));
    return bytes;
}

// The start's working-copy steps as window creation runs them, the directory worked out once,
// then the first statement: the number of rows of the first database's table, or an exception
// when the connection found another file.
int startAndCount(db::Connection& connection) {
    const QString tempDirectory = db::GetTempDirectory();
    db::deleteWorkingCopy(tempDirectory);
    db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, db::workingCopyPath(tempDirectory));
    connection.setConnectionString(db::connectionStringFor(tempDirectory));
    connection.open();
    return connection.execute(u"select * from Table1"_s).rowCount();
}

// What happens to the working copy's name between the write and the connection.
enum class Meddling { None, RenamedOver, Removed };

const QByteArray& secondDatabase() {
    static const QByteArray bytes = QByteArray(3000, 'S');
    return bytes;
}

// What is found at the working copy's path before deleteWorkingCopy() runs.
enum class Found {
    Nothing,
    OwnCopy,
    ReadOnlyCopy,
    CopyInUse,
    SymlinkToFile,
    DanglingSymlink,
    HardLinkedCopy,
    Directory,
    ForeignCopy,
};

} // namespace

Q_DECLARE_METATYPE(Meddling)
Q_DECLARE_METATYPE(Squat)
Q_DECLARE_METATYPE(SquatName)

class WorkingCopyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void pathKeepsTheDoubleSeparator();
    void connectionStringNamesTheCopy_data();
    void connectionStringNamesTheCopy();
    void deletesOnlyAnUnusedCopyOfOurs_data();
    void deletesOnlyAnUnusedCopyOfOurs();
    void secondInstanceLeavesTheFirstOnesCopyAlone();
    void connectionStringKeepsAnyDirectory_data();
    void connectionStringKeepsAnyDirectory();
    void startsInAnyDirectory_data();
    void startsInAnyDirectory();
    void readsTheFileItWrote_data();
    void readsTheFileItWrote();
    void laterStartsTakeTheirOwnLeftOver_data();
    void laterStartsTakeTheirOwnLeftOver();
    void startsWithoutProc();
    void nobodyKeepsTheUserOutOfASharedDirectory_data();
    void nobodyKeepsTheUserOutOfASharedDirectory();
    void closeDeletesTheCopyWhereverItsDirectoryMoved();

private:
    std::optional<QTemporaryDir> dir_;
    std::optional<EnvironmentGuard> environment_;
    QString copy_; // the working copy, spelt with one separator
};

void WorkingCopyTest::initTestCase() {
    QVERIFY(!firstDatabase().isEmpty());
    db::registerResource(u"mdb", u"ResBuild", bytesOf(firstDatabase()));
    db::registerResource(u"mdb", u"Second", bytesOf(secondDatabase()));
}

void WorkingCopyTest::init() {
    dir_.emplace();
    QVERIFY(dir_->isValid());
    environment_.emplace();
    environment_->set("XDG_RUNTIME_DIR", std::nullopt);
    environment_->set("TMPDIR", native(dir_->path()));
    copy_ = dir_->path() + u"/ResBuild.dll"_s;
}

void WorkingCopyTest::cleanup() {
    environment_.reset();
}

void WorkingCopyTest::pathKeepsTheDoubleSeparator() {
    QCOMPARE(db::workingCopyPath(), dir_->path() + u"//ResBuild.dll"_s);

    // The file system reads the two separators as one.
    db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, db::workingCopyPath());
    QCOMPARE(readFile(copy_), firstDatabase());
}

void WorkingCopyTest::connectionStringNamesTheCopy_data() {
    QTest::addColumn<QString>("tempDirectory");
    QTest::addColumn<QString>("expected");

    QTest::newRow("/tmp/") << u"/tmp/"_s
                           << u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp//ResBuild.dll;"
                              "Persist Security Info=False"_s;
    QTest::newRow("spaces and Chinese, unquoted")
        << u"/home/李明/临时 文件/"_s
        << u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/home/李明/临时 文件//ResBuild.dll;"
           "Persist Security Info=False"_s;
    QTest::newRow("semicolon and quote, quoted")
        << u"/tmp/a;\"b\"/"_s
        << u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/tmp/a;\"\"b\"\"//ResBuild.dll\";"
           "Persist Security Info=False"_s;
}

void WorkingCopyTest::connectionStringNamesTheCopy() {
    QFETCH(QString, tempDirectory);
    QFETCH(QString, expected);

    QCOMPARE(db::connectionStringFor(tempDirectory), expected);
}

void WorkingCopyTest::deletesOnlyAnUnusedCopyOfOurs_data() {
    QTest::addColumn<Found>("found");
    QTest::addColumn<bool>("deleted");

    QTest::newRow("nothing") << Found::Nothing << false;
    QTest::newRow("our copy") << Found::OwnCopy << true;
    QTest::newRow("read-only copy") << Found::ReadOnlyCopy << false;
    QTest::newRow("copy in use") << Found::CopyInUse << false;
    QTest::newRow("symbolic link to a file") << Found::SymlinkToFile << false;
    QTest::newRow("dangling symbolic link") << Found::DanglingSymlink << false;
    QTest::newRow("copy with a second name") << Found::HardLinkedCopy << false;
    QTest::newRow("directory") << Found::Directory << false;
    QTest::newRow("copy of another user") << Found::ForeignCopy << false;
}

void WorkingCopyTest::deletesOnlyAnUnusedCopyOfOurs() {
    QFETCH(Found, found);
    QFETCH(bool, deleted);
    const QString other = dir_->path() + u"/other"_s;
    db::FileHold hold;

    switch (found) {
    case Found::Nothing:
        break;
    case Found::OwnCopy:
        QVERIFY(writeFile(copy_, firstDatabase()));
        break;
    case Found::ReadOnlyCopy:
        QVERIFY(writeFile(copy_, firstDatabase(), 0400));
        break;
    case Found::CopyInUse:
        QVERIFY(writeFile(copy_, firstDatabase()));
        hold = db::holdFileShared(copy_);
        break;
    case Found::SymlinkToFile:
        QVERIFY(writeFile(other, "somebody's data"));
        QVERIFY(QFile::link(other, copy_));
        break;
    case Found::DanglingSymlink:
        QVERIFY(QFile::link(other, copy_));
        break;
    case Found::HardLinkedCopy:
        QVERIFY(writeFile(other, firstDatabase()));
        QCOMPARE(::link(native(other).constData(), native(copy_).constData()), 0);
        break;
    case Found::Directory:
        QVERIFY(QDir(dir_->path()).mkdir(u"ResBuild.dll"_s));
        break;
    case Found::ForeignCopy:
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QVERIFY(writeFile(copy_, firstDatabase()));
        QCOMPARE(::chown(native(copy_).constData(), 65534, 65534), 0);
        break;
    }
    const QStringList before = snapshot(dir_->path());

    db::deleteWorkingCopy();

    if (deleted)
        QVERIFY(!exists(copy_));
    else
        QCOMPARE(snapshot(dir_->path()), before);
}

void WorkingCopyTest::secondInstanceLeavesTheFirstOnesCopyAlone() {
    // The first instance starts: it writes its copy and connects to it.
    db::deleteWorkingCopy();
    db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, db::workingCopyPath());
    db::Connection first;
    first.setConnectionString(db::connectionStringFor(db::GetTempDirectory()));
    first.open();

    // A second instance starts and closes: removing the old copy, writing its own and removing
    // it again all leave the first instance's copy alone.
    db::deleteWorkingCopy();
    QVERIFY_THROWS_EXCEPTION(db::FileCreateError, db::ExtractResourceToFile(u"Second"_s, u"mdb"_s,
                                                                            db::workingCopyPath()));
    db::deleteWorkingCopy();

    QCOMPARE(readFile(copy_), firstDatabase());
    QCOMPARE(first.execute(u"select * from Table1"_s).rowCount(), 3);

    // Once the first instance has disconnected, both steps work again.
    first.close();
    db::deleteWorkingCopy();
    QVERIFY(!exists(copy_));
    db::ExtractResourceToFile(u"Second"_s, u"mdb"_s, db::workingCopyPath());
    QCOMPARE(readFile(copy_), secondDatabase());
}

void WorkingCopyTest::connectionStringKeepsAnyDirectory_data() {
    QTest::addColumn<QString>("tempDirectory");

    for (const QString& directory : {
             u"/tmp/"_s,
             u"/tmp/semi;colon/"_s,
             u"/tmp/a;Data Source=/home/other/"_s,
             u"/tmp/x;Provider=SQLOLEDB;y/"_s,
             u"/tmp/\"quoted\"/"_s,
             u"/tmp/it's/"_s,
             u"'/starts with an apostrophe/"_s,
             u"\"/starts with a quote/"_s,
             u" /starts with a space/"_s,
             u"\t/starts with a tab/"_s,
             u"/tmp/\";Data Source=/x;\"/"_s,
             u"/tmp/a=b==c/"_s,
             u"/tmp/line\nbreak/"_s,
             u"/home/李明/临时 文件/"_s,
         })
        QTest::newRow(qPrintable(QString(directory).replace(u'\n', u"\\n"_s))) << directory;
}

// Whatever the directory's name, the engine is handed exactly the working copy's path and its
// own provider: no name is read as another key.
void WorkingCopyTest::connectionStringKeepsAnyDirectory() {
    QFETCH(QString, tempDirectory);

    const db::ConnectionSettings settings =
        db::parseConnectionString(db::connectionStringFor(tempDirectory));
    QCOMPARE(settings.dataSource, db::workingCopyPath(tempDirectory));
    QCOMPARE(settings.provider, u"Microsoft.Jet.OLEDB.4.0"_s);
}

void WorkingCopyTest::startsInAnyDirectory_data() {
    QTest::addColumn<QString>("name"); // of the temporary directory, inside the test's own

    QTest::newRow("plain") << u"plain"_s;
    QTest::newRow("semicolon") << u"semi;colon"_s;
    // With the other directory's path after "Data Source=", an unquoted string names its file.
    QTest::newRow("names another directory") << u"a;Data Source=%1/other"_s;
    QTest::newRow("quotes") << u"\"quoted\" and it's"_s;
    QTest::newRow("spaces around") << u" spaced "_s;
    QTest::newRow("another provider") << u"x;Provider=SQLOLEDB;y"_s;
    QTest::newRow("line break") << u"line\nbreak"_s;
}

// The start in a directory of that name reads the copy it wrote, never the other user's
// database in `other`, and not failing on the name.
void WorkingCopyTest::startsInAnyDirectory() {
    QFETCH(QString, name);
    const QString other = dir_->path() + u"/other"_s;
    QVERIFY(QDir().mkpath(other));
    QVERIFY(writeFile(other + u"/ResBuild.dll"_s, foreignDatabase()));
    const QString directory = dir_->path() + u'/' + QString(name).replace(u"%1"_s, dir_->path());
    QVERIFY(QDir().mkpath(directory));
    environment_->set("TMPDIR", native(directory));
    QCOMPARE(db::GetTempDirectory(), directory + u'/');

    db::Connection connection;
    QCOMPARE(startAndCount(connection), 3);
    QCOMPARE(readFile(directory + u"/ResBuild.dll"_s), firstDatabase());
    QCOMPARE(readFile(other + u"/ResBuild.dll"_s), foreignDatabase());
    connection.close();
    db::deleteWorkingCopy(directory + u'/');
    QVERIFY(!exists(directory + u"/ResBuild.dll"_s));
}

void WorkingCopyTest::readsTheFileItWrote_data() {
    QTest::addColumn<Meddling>("meddling");

    QTest::newRow("left alone") << Meddling::None;
    // What another user can do in a directory that others may write to without the sticky bit.
    QTest::newRow("another database renamed over it") << Meddling::RenamedOver;
    QTest::newRow("removed") << Meddling::Removed;
}

// Between the write and the connection, the name of the working copy is made to lead elsewhere:
// the connection reads the file that was written, or nothing.
void WorkingCopyTest::readsTheFileItWrote() {
    QFETCH(Meddling, meddling);
    const QString tempDirectory = db::GetTempDirectory();
    const QString planted = dir_->path() + u"/planted"_s;
    QVERIFY(writeFile(planted, foreignDatabase(), 0644));
    // Where possible, the planted database belongs to another user, as it would in an attack.
    const bool foreignOwner = ::geteuid() == 0;
    if (foreignOwner)
        QCOMPARE(::chown(native(planted).constData(), kNobody, kNobody), 0);

    db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, db::workingCopyPath(tempDirectory));
    if (meddling == Meddling::RenamedOver)
        QCOMPARE(std::rename(native(planted).constData(), native(copy_).constData()), 0);
    if (meddling == Meddling::Removed)
        QVERIFY(QFile::remove(copy_));
    db::Connection connection;
    connection.setConnectionString(db::connectionStringFor(tempDirectory));

    if (meddling == Meddling::Removed) {
        try {
            connection.open();
            QFAIL("a removed copy was opened");
        } catch (const db::FileHoldError& error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(db::workingCopyPath(tempDirectory)),
                     error.what());
        }
        return;
    }
    connection.open();
    QCOMPARE(connection.execute(u"select * from Table1"_s).rowCount(), 3);
    // Reconnecting reads the same file again.
    connection.close();
    connection.open();
    QCOMPARE(connection.execute(u"select * from Table1"_s).rowCount(), 3);
    connection.close();

    db::deleteWorkingCopy(tempDirectory);
    if (meddling == Meddling::None)
        QVERIFY(!exists(copy_));
    else if (foreignOwner)
        QCOMPARE(readFile(copy_), foreignDatabase()); // another user's file is left alone
}

void WorkingCopyTest::laterStartsTakeTheirOwnLeftOver_data() {
    QTest::addColumn<int>("umask");

    QTest::newRow("umask 0277") << 0277;
    QTest::newRow("umask 0222") << 0222;
    QTest::newRow("umask 0077") << 0077;
    QTest::newRow("umask 0") << 0;
}

// Under any umask, a start that never reached its close (killed, logged off) leaves a copy that
// the next start replaces, and one that closes removes its copy.
void WorkingCopyTest::laterStartsTakeTheirOwnLeftOver() {
    QFETCH(int, umask);
    const UmaskGuard mask(static_cast<mode_t>(umask));

    for (int start = 0; start < 3; ++start) {
        db::Connection connection;
        QCOMPARE(startAndCount(connection), 3);
        QCOMPARE(permissions(copy_), mode_t(0600));
    }
    db::deleteWorkingCopy(db::GetTempDirectory());
    QVERIFY(!exists(copy_));
}

// The whole start in a child process that cannot see /proc (a private mount namespace with an
// empty file system over it).
void WorkingCopyTest::startsWithoutProc() {
    if (::geteuid() != 0)
        QSKIP("needs root to hide /proc in a private mount namespace");
    const ChildOutcome child = runInChild([](int reportFd) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("vorlantix-test", "/proc", "tmpfs", 0, nullptr) != 0)
            return ChildOutcome::kCannotRun;
        if (exists(u"/proc/self"_s))
            return 3;
        try {
            db::Connection connection;
            return startAndCount(connection) == 3 ? 0 : 4;
        } catch (const std::exception& error) {
            report(reportFd, error.what());
            return 5;
        }
    });
    if (child.couldNotRun())
        QSKIP("cannot hide /proc here");
    QVERIFY2(child.succeeded(), child.describe().constData());
}

void WorkingCopyTest::nobodyKeepsTheUserOutOfASharedDirectory_data() {
    QTest::addColumn<Squat>("squat");
    QTest::addColumn<SquatName>("name");
    // Whether the user's start falls back to a fresh directory of its own.
    QTest::addColumn<bool>("freshDirectory");

    QTest::newRow("nothing planted") << Squat::None << SquatName::Copy << false;
    const std::pair<const char*, Squat> squats[] = {
        {"file", Squat::File},     {"directory", Squat::Directory},   {"FIFO", Squat::Fifo},
        {"socket", Squat::Socket}, {"symbolic link", Squat::Symlink},
    };
    for (const auto& [kind, squat] : squats) {
        QTest::addRow("%s as ResBuild.dll", kind) << squat << SquatName::Copy << false;
        QTest::addRow("%s as the user's directory", kind)
            << squat << SquatName::OwnDirectory << true;
    }
}

// Another user plants something in a sticky directory that all may write to, under the name of
// the working copy or of the user's own directory there; the user (not root) starts all the
// same, reads the collection, and leaves no copy behind at close.
void WorkingCopyTest::nobodyKeepsTheUserOutOfASharedDirectory() {
    QFETCH(Squat, squat);
    QFETCH(SquatName, name);
    QFETCH(bool, freshDirectory);
    if (::geteuid() != 0)
        QSKIP("needs root to act as two other users (the attacker and the user)");
    const QString shared = makeSharedDirectory(dir_->path());
    QVERIFY(!shared.isEmpty());
    const QString planted =
        shared + u'/' + (name == SquatName::Copy ? u"ResBuild.dll"_s : ownDirectoryName());
    const ChildOutcome attacker =
        runInChild([&](int) { return dropTo(kAttacker) && plant(squat, planted) ? 0 : 3; });
    QVERIFY2(attacker.succeeded(), attacker.describe().constData());

    const ChildOutcome user = runInChild([&](int reportFd) {
        if (!dropToNobody())
            return ChildOutcome::kCannotRun;
        qputenv("TMPDIR", native(shared));
        const QString directory = db::GetTempDirectory();
        report(reportFd, directory.toUtf8() + '\n');
        try {
            db::Connection connection;
            report(reportFd, QByteArray::number(startAndCount(connection)) + '\n');
            connection.close();
        } catch (const std::exception& error) {
            report(reportFd, error.what());
            return 4;
        }
        db::deleteWorkingCopy(directory);
        db::removeMadeDirectory(directory);
        report(reportFd, exists(db::workingCopyPath(directory)) ? "copy left\n" : "no copy\n");
        report(reportFd, exists(directory) ? "directory left" : "no directory");
        return 0;
    });
    QVERIFY2(user.succeeded(), user.describe().constData());
    const QList<QByteArray> lines = user.report.split('\n');
    QCOMPARE(lines.size(), 4);
    const QString directory = QString::fromUtf8(lines[0]);
    const QString own = shared + u'/' + ownDirectoryName() + u'/';
    if (freshDirectory)
        QVERIFY2(directory.startsWith(shared + u'/' + ownDirectoryName() + u'-') &&
                     directory != own,
                 qPrintable(directory));
    else
        QCOMPARE(directory, own);
    QCOMPARE(lines[1], "3");
    QCOMPARE(lines[2], "no copy");
    // The user's own directory stays for later starts; a fresh one goes with the run.
    QCOMPARE(lines[3], freshDirectory ? "no directory" : "directory left");
    QVERIFY(squat == Squat::None || exists(planted));
}

// The user's temporary directory lies in a directory another user owns, who renames it while
// the program runs: the close step still deletes the copy, in the directory it was written in.
void WorkingCopyTest::closeDeletesTheCopyWhereverItsDirectoryMoved() {
    if (::geteuid() != 0)
        QSKIP("needs root to act as two other users (the attacker and the user)");
    QCOMPARE(::chmod(native(dir_->path()).constData(), 0755), 0);
    const QString outer = dir_->path() + u"/outer"_s;
    const QString home = outer + u"/home"_s;
    const QString moved = outer + u"/moved"_s;
    QVERIFY(QDir().mkpath(home));
    QCOMPARE(::chown(native(outer).constData(), kAttacker, kAttacker), 0);
    QCOMPARE(::chown(native(home).constData(), kNobody, kNobody), 0);
    QCOMPARE(::chmod(native(home).constData(), 0700), 0);

    int started[2];
    int closing[2];
    QCOMPARE(::pipe2(started, O_CLOEXEC), 0);
    QCOMPARE(::pipe2(closing, O_CLOEXEC), 0);
    std::fflush(nullptr);
    const pid_t user = ::fork();
    if (user == 0) {
        ::close(started[0]);
        ::close(closing[1]);
        int code = 3;
        if (dropToNobody()) {
            qputenv("TMPDIR", native(home));
            const QString directory = db::GetTempDirectory();
            try {
                db::Connection connection;
                code = startAndCount(connection) == 3 ? 0 : 4;
                report(started[1], "started");
                char go = 0;
                if (::read(closing[0], &go, 1) != 1)
                    code = 5;
                connection.close();
            } catch (...) {
                code = 6;
            }
            db::deleteWorkingCopy(directory);
        }
        ::_exit(code);
    }
    ::close(started[1]);
    ::close(closing[0]);
    char ready[8] = {};
    const bool userStarted = ::read(started[0], ready, sizeof ready) > 0;
    ::close(started[0]);
    const ChildOutcome attacker = runInChild([&](int) {
        return dropTo(kAttacker) &&
                       std::rename(native(home).constData(), native(moved).constData()) == 0
                   ? 0
                   : 3;
    });
    report(closing[1], "x");
    ::close(closing[1]);
    int status = 0;
    ::waitpid(user, &status, 0);

    QVERIFY(userStarted);
    QVERIFY2(attacker.succeeded(), attacker.describe().constData());
    QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0,
             qPrintable(u"the user's start ended with %1"_s.arg(status)));
    QVERIFY(exists(moved));
    QVERIFY(!exists(moved + u"/ResBuild.dll"_s));
}

QTEST_GUILESS_MAIN(WorkingCopyTest)
#include "working_copy_test.moc"
