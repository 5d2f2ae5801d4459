#include "db/temp_directory.h"

#include "file_fixtures.h"

#include <QTemporaryDir>
#include <QTest>

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
    Relative,         // "private", relative to the working directory
    Missing,          // an absolute path to nothing
    RegularFile,      // an absolute path to a file
    SymlinkToPrivate, // a symbolic link to the private directory
};

} // namespace

class TempDirectoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void choosesTheUsersDirectory_data();
    void choosesTheUsersDirectory();

private:
    // The variable's value for `setting`, preparing what it names; nullopt for Unset.
    std::optional<QByteArray> valueFor(Setting setting, const QString& name);

    std::optional<QTemporaryDir> root_;
};

void TempDirectoryTest::init() {
    root_.emplace();
    QVERIFY(root_->isValid());
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
    case Setting::ForeignDirectory: {
        const QByteArray dir = makeDirectory(path, 0700);
        ::chown(dir.constData(), 65534, 65534);
        return dir;
    }
    case Setting::Relative:
        return QByteArray("private");
    case Setting::Missing:
        return native(path);
    case Setting::RegularFile:
        writeFile(path, "not a directory");
        return native(path);
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
    QTest::addColumn<QString>("chosen"); // "runtime", "tmp" or a literal path

    using S = Setting;
    QTest::newRow("neither set") << S::Unset << S::Unset << u"/tmp/"_s;
    QTest::newRow("runtime dir preferred")
        << S::PrivateDirectory << S::PrivateDirectory << u"runtime"_s;
    QTest::newRow("runtime dir with slash") << S::SlashEnded << S::Unset << u"runtime"_s;
    QTest::newRow("runtime dir via link") << S::SymlinkToPrivate << S::Unset << u"runtime"_s;
    QTest::newRow("runtime dir group-writable")
        << S::GroupWritable << S::PrivateDirectory << u"tmp"_s;
    QTest::newRow("runtime dir others-writable") << S::OthersWritable << S::Unset << u"/tmp/"_s;
    QTest::newRow("runtime dir of another user")
        << S::ForeignDirectory << S::PrivateDirectory << u"tmp"_s;
    QTest::newRow("runtime dir relative") << S::Relative << S::PrivateDirectory << u"tmp"_s;
    QTest::newRow("runtime dir missing") << S::Missing << S::Unset << u"/tmp/"_s;
    QTest::newRow("runtime dir is a file") << S::RegularFile << S::PrivateDirectory << u"tmp"_s;
    QTest::newRow("tmpdir shared is fine") << S::Unset << S::OthersWritable << u"tmp"_s;
    QTest::newRow("tmpdir with slash") << S::Unset << S::SlashEnded << u"tmp"_s;
    QTest::newRow("tmpdir relative") << S::Unset << S::Relative << u"/tmp/"_s;
    QTest::newRow("tmpdir missing") << S::Unset << S::Missing << u"/tmp/"_s;
    QTest::newRow("tmpdir is a file") << S::Unset << S::RegularFile << u"/tmp/"_s;
}

void TempDirectoryTest::choosesTheUsersDirectory() {
    QFETCH(Setting, runtimeDir);
    QFETCH(Setting, tmpDir);
    QFETCH(QString, chosen);

    if ((runtimeDir == Setting::ForeignDirectory || tmpDir == Setting::ForeignDirectory) &&
        ::geteuid() != 0)
        QSKIP("only root can give a directory to another user");
    const std::optional<QByteArray> runtimeValue = valueFor(runtimeDir, u"runtime"_s);
    const std::optional<QByteArray> tmpValue = valueFor(tmpDir, u"tmp"_s);
    EnvironmentGuard environment;
    environment.set("XDG_RUNTIME_DIR", runtimeValue);
    environment.set("TMPDIR", tmpValue);

    QString expected = chosen;
    if (chosen == u"runtime"_s)
        expected = QFile::decodeName(*runtimeValue);
    else if (chosen == u"tmp"_s)
        expected = QFile::decodeName(*tmpValue);
    if (!expected.endsWith(u'/'))
        expected += u'/';

    QCOMPARE(db::GetTempDirectory(), expected);
}

QTEST_GUILESS_MAIN(TempDirectoryTest)
#include "temp_directory_test.moc"
