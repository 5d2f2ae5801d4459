#include "db/temp_directory.h"

#include "file_fixtures.h"

#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

using namespace Qt::Literals::StringLiterals;
using namespace fixtures;

namespace {

// What an environment variable is set to, in terms of the directory it names.
enum class Setting {
    Unset,
    PrivateDirectory, // ours, mode 0700
    SlashEnded,       // the private directory, written with a trailing "/"
    GroupWritable,    // ours, mode 0770
    OthersWritable,   // ours, mode 0703
    ForeignDirectory, // another user's, mode 0700
    StickyShared,     // ours, mode 01777 like /tmp
    ForeignSticky,    // another user's, mode 01777
    ForeignShared,    // another user's, mode 0777: the attacker's own directory in /tmp
    Relative,         // "private", relative to the working directory
    Missing,          // an absolute path to nothing
    RegularFile,      // an absolute path to a file
    SymlinkToPrivate, // a symbolic link to the private directory
    NotUtf8,          // ours, mode 0700, its name ending in the byte 0xff, which is not UTF-8
};

// The user's own directory that the working copy goes into in a shared one.
QString ownDirectoryName(uid_t user = ::geteuid()) {
    return u"vorlantix-"_s + QString::number(user);
}

} // namespace

class TempDirectoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void choosesTheUsersDirectory_data();
    void choosesTheUsersDirectory();

    void acceptsRootsDirectoriesForAnotherUser_data();
    void acceptsRootsDirectoriesForAnotherUser();

    void ownDirectoryInASharedOne_data();
    void ownDirectoryInASharedOne();

private:
    // The variable's value for `setting`, preparing what it names; nullopt for Unset.
    std::optional<QByteArray> valueFor(Setting setting, const QString& name);

    std::optional<QTemporaryDir> root_;
};

void TempDirectoryTest::init() {
    root_.emplace();
    QVERIFY(root_->isValid());
}

// QTemporaryDir cannot remove a name that is not UTF-8; the file system takes the bytes.
void TempDirectoryTest::cleanup() {
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(root_->path()).toStdString(), ignored);
    root_.reset();
}

std::optional<QByteArray> TempDirectoryTest::valueFor(Setting setting, const QString& name) {
    const QString path = root_->path() + u'/' + name;
    const auto makeDirectory = [&](const QString& dir, mode_t mode) {
        QDir().mkpath(dir);
        ::chmod(native(dir).constData(), mode);
        return native(dir);
    };
    switch (setting) {
    case Setting::Unset:
        return std::nullopt;
    case Setting::PrivateDirectory:
        return makeDirectory(path, 0700);
    case Setting::SlashEnded:
        return makeDirectory(path, 0700) + '/';
    case Setting::GroupWritable:
        return makeDirectory(path, 0770);
    case Setting::OthersWritable:
        return makeDirectory(path, 0703);
    case Setting::ForeignDirectory:
    case Setting::ForeignSticky:
    case Setting::ForeignShared: {
        const mode_t mode = setting == Setting::ForeignDirectory ? 0700
                            : setting == Setting::ForeignSticky  ? 01777
                                                                 : 0777;
        const QByteArray dir = makeDirectory(path, 0700);
        ::chown(dir.constData(), kNobody, kNobody);
        ::chmod(dir.constData(), mode);
        return dir;
    }
    case Setting::StickyShared:
        return makeDirectory(path, 01777);
    case Setting::Relative:
        return QByteArray("private");
    case Setting::Missing:
        return native(path);
    case Setting::RegularFile:
        writeFile(path, "not a directory");
        return native(path);
    case Setting::NotUtf8: {
        const QByteArray dir = native(path) + '\xff';
        ::mkdir(dir.constData(), 0700);
        return dir;
    }
    case Setting::SymlinkToPrivate: {
        const QByteArray dir = makeDirectory(path + u".target"_s, 0700);
        QFile::link(QFile::decodeName(dir), path);
        return native(path);
    }
    }
    return std::nullopt;
}

void TempDirectoryTest::choosesTheUsersDirectory_data() {
    QTest::addColumn<Setting>("runtimeDir");
    QTest::addColumn<Setting>("tmpDir");
    // "runtime", "tmp", "tmp-own" (the user's own directory in it) or "/tmp-own" (in /tmp)
    QTest::addColumn<QString>("chosen");

    using S = Setting;
    QTest::newRow("neither set") << S::Unset << S::Unset << u"/tmp-own"_s;
    QTest::newRow("runtime dir preferred")
        << S::PrivateDirectory << S::PrivateDirectory << u"runtime"_s;
    QTest::newRow("runtime dir with slash") << S::SlashEnded << S::Unset << u"runtime"_s;
    QTest::newRow("runtime dir via link") << S::SymlinkToPrivate << S::Unset << u"runtime"_s;
    QTest::newRow("runtime dir group-writable")
        << S::GroupWritable << S::PrivateDirectory << u"tmp"_s;
    QTest::newRow("runtime dir others-writable") << S::OthersWritable << S::Unset << u"/tmp-own"_s;
    QTest::newRow("runtime dir of another user")
        << S::ForeignDirectory << S::PrivateDirectory << u"tmp"_s;
    QTest::newRow("runtime dir relative") << S::Relative << S::PrivateDirectory << u"tmp"_s;
    QTest::newRow("runtime dir missing") << S::Missing << S::Unset << u"/tmp-own"_s;
    QTest::newRow("runtime dir is a file") << S::RegularFile << S::PrivateDirectory << u"tmp"_s;
    // A name that does not come back from text as the same bytes would lead elsewhere.
    QTest::newRow("runtime dir not UTF-8") << S::NotUtf8 << S::PrivateDirectory << u"tmp"_s;
    QTest::newRow("tmpdir not UTF-8") << S::Unset << S::NotUtf8 << u"/tmp-own"_s;
    QTest::newRow("tmpdir private") << S::Unset << S::PrivateDirectory << u"tmp"_s;
    QTest::newRow("tmpdir sticky like /tmp") << S::Unset << S::StickyShared << u"tmp-own"_s;
    // Anybody could rename a file of theirs over the working copy in these.
    QTest::newRow("tmpdir others-writable, not sticky")
        << S::Unset << S::OthersWritable << u"/tmp-own"_s;
    QTest::newRow("tmpdir group-writable, not sticky")
        << S::Unset << S::GroupWritable << u"/tmp-own"_s;
    // Its owner may rename anything in it, sticky or not.
    QTest::newRow("tmpdir of another user") << S::Unset << S::ForeignDirectory << u"/tmp-own"_s;
    QTest::newRow("tmpdir of another user, sticky")
        << S::Unset << S::ForeignSticky << u"/tmp-own"_s;
    QTest::newRow("tmpdir of another user, open to all")
        << S::Unset << S::ForeignShared << u"/tmp-own"_s;
    QTest::newRow("tmpdir of another user, runtime dir ours")
        << S::PrivateDirectory << S::ForeignShared << u"runtime"_s;
    QTest::newRow("tmpdir with slash") << S::Unset << S::SlashEnded << u"tmp"_s;
    QTest::newRow("tmpdir relative") << S::Unset << S::Relative << u"/tmp-own"_s;
    QTest::newRow("tmpdir missing") << S::Unset << S::Missing << u"/tmp-own"_s;
    QTest::newRow("tmpdir is a file") << S::Unset << S::RegularFile << u"/tmp-own"_s;
}

void TempDirectoryTest::choosesTheUsersDirectory() {
    QFETCH(Setting, runtimeDir);
    QFETCH(Setting, tmpDir);
    QFETCH(QString, chosen);

    const auto foreign = [](Setting setting) {
        return setting == Setting::ForeignDirectory || setting == Setting::ForeignSticky ||
               setting == Setting::ForeignShared;
    };
    if ((foreign(runtimeDir) || foreign(tmpDir)) && ::geteuid() != 0)
        QSKIP("only root can give a directory to another user");
    const std::optional<QByteArray> runtimeValue = valueFor(runtimeDir, u"runtime"_s);
    const std::optional<QByteArray> tmpValue = valueFor(tmpDir, u"tmp"_s);
    EnvironmentGuard environment;
    environment.set("XDG_RUNTIME_DIR", runtimeValue);
    environment.set("TMPDIR", tmpValue);

    QString expected;
    if (chosen == u"runtime"_s)
        expected = QFile::decodeName(*runtimeValue);
    else if (chosen.startsWith(u"tmp"_s))
        expected = QFile::decodeName(*tmpValue);
    else
        expected = u"/tmp"_s;
    if (!expected.endsWith(u'/'))
        expected += u'/';
    if (chosen.endsWith(u"-own"_s))
        expected += ownDirectoryName() + u'/';

    QCOMPARE(db::GetTempDirectory(), expected);
}

void TempDirectoryTest::acceptsRootsDirectoriesForAnotherUser_data() {
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<uint>("owner");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("TMPDIR root's, sticky like /tmp") << "TMPDIR"_ba << 0U << 01777 << true;
    QTest::newRow("TMPDIR root's, closed to others") << "TMPDIR"_ba << 0U << 0755 << true;
    QTest::newRow("TMPDIR root's, open to all, not sticky") << "TMPDIR"_ba << 0U << 0777 << false;
    QTest::newRow("TMPDIR the user's own, private") << "TMPDIR"_ba << uint(kNobody) << 0700 << true;
    // The runtime directory must be the user's own: root's is not the user's, however closed.
    QTest::newRow("runtime dir root's, private") << "XDG_RUNTIME_DIR"_ba << 0U << 0700 << false;
    QTest::newRow("runtime dir root's, closed to others")
        << "XDG_RUNTIME_DIR"_ba << 0U << 0755 << false;
    QTest::newRow("runtime dir the user's own, private")
        << "XDG_RUNTIME_DIR"_ba << uint(kNobody) << 0700 << true;
}

// The user `nobody` starts the program with TMPDIR or XDG_RUNTIME_DIR set (the other unset): for
// TMPDIR root's directories count as safe as the user's own, unless anybody may rename files in
// them; for the runtime directory only the user's own counts.
void TempDirectoryTest::acceptsRootsDirectoriesForAnotherUser() {
    QFETCH(QByteArray, variable);
    QFETCH(uint, owner);
    QFETCH(int, mode);
    QFETCH(bool, accepted);
    if (::geteuid() != 0)
        QSKIP("needs root to run the program as another user (nobody)");
    QCOMPARE(::chmod(native(root_->path()).constData(), 0755), 0);
    const QByteArray dir = native(root_->path() + u"/tmp"_s);
    QVERIFY(QDir().mkdir(QFile::decodeName(dir)));
    QCOMPARE(::chown(dir.constData(), owner, owner), 0);
    QCOMPARE(::chmod(dir.constData(), static_cast<mode_t>(mode)), 0);

    const ChildOutcome child = runInChild([&](int reportFd) {
        if (!dropToNobody())
            return ChildOutcome::kCannotRun;
        qunsetenv("XDG_RUNTIME_DIR");
        qunsetenv("TMPDIR");
        qputenv(variable.constData(), dir);
        report(reportFd, db::GetTempDirectory().toUtf8());
        return 0;
    });
    QVERIFY2(child.succeeded(), child.describe().constData());
    // Root's sticky directory, like /tmp, is shared: the copy goes into nobody's own in it.
    const QString own = ownDirectoryName(kNobody) + u'/';
    QCOMPARE(QString::fromUtf8(child.report), !accepted      ? u"/tmp/"_s + own
                                              : mode & 01000 ? QFile::decodeName(dir) + u'/' + own
                                                             : QFile::decodeName(dir) + u'/');
}

void TempDirectoryTest::ownDirectoryInASharedOne_data() {
    QTest::addColumn<QString>("found"); // what stands at vorlantix-<uid> beforehand
    QTest::addColumn<bool>("fresh");    // whether a fresh directory is made instead

    QTest::newRow("nothing: made") << u"nothing"_s << false;
    QTest::newRow("ours, private") << u"private"_s << false;
    QTest::newRow("ours, opened up: closed again") << u"open"_s << false;
    QTest::newRow("a symbolic link to a directory of ours") << u"link"_s << true;
    QTest::newRow("a file of ours") << u"file"_s << true;
    // Root may open and change any directory: another user's must still not be taken for its own.
    QTest::newRow("another user's, private") << u"foreign"_s << true;
}

// In a sticky directory that all may write to, the answer is the user's own directory in it,
// mode 0700; a fresh one when the name is not a directory of ours, the same for every call.
void TempDirectoryTest::ownDirectoryInASharedOne() {
    QFETCH(QString, found);
    QFETCH(bool, fresh);
    const QByteArray shared = *valueFor(Setting::StickyShared, u"tmp"_s);
    const QString own = QFile::decodeName(shared) + u'/' + ownDirectoryName();
    if (found == u"private"_s || found == u"open"_s) {
        QVERIFY(QDir().mkdir(own));
        QCOMPARE(::chmod(native(own).constData(), found == u"open"_s ? 0755 : 0700), 0);
    } else if (found == u"link"_s) {
        QVERIFY(QFile::link(QFile::decodeName(*valueFor(Setting::PrivateDirectory, u"p"_s)), own));
    } else if (found == u"file"_s) {
        QVERIFY(writeFile(own, "mine"));
    } else if (found == u"foreign"_s) {
        if (::geteuid() != 0)
            QSKIP("needs root to give the directory to another user (nobody)");
        QVERIFY(QDir().mkdir(own));
        QCOMPARE(::chmod(native(own).constData(), 0700), 0);
        QCOMPARE(::chown(native(own).constData(), kNobody, kNobody), 0);
    }
    EnvironmentGuard environment;
    environment.set("XDG_RUNTIME_DIR", std::nullopt);
    environment.set("TMPDIR", shared);

    const QString directory = db::GetTempDirectory();
    QCOMPARE(db::GetTempDirectory(), directory);
    if (fresh) {
        QVERIFY2(directory.startsWith(own + u'-'), qPrintable(directory));
        QCOMPARE(permissions(directory), mode_t(0700));
        db::removeMadeDirectory(directory);
        QVERIFY(!exists(directory));
    } else {
        QCOMPARE(directory, own + u'/');
        QCOMPARE(permissions(own), mode_t(0700));
        db::removeMadeDirectory(directory);
        QVERIFY(exists(own));
    }
}

QTEST_GUILESS_MAIN(TempDirectoryTest)
#include "temp_directory_test.moc"
