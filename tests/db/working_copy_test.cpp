#include "db/connection.h"
#include "db/file_lock.h"
#include "db/resources.h"
#include "db/temp_directory.h"
#include "db/working_copy.h"

#include "file_fixtures.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace fixtures;

namespace {

// A real Jet 4.0 file, so the first instance can connect to its copy as at start.
const QByteArray& firstDatabase() {
    static const QByteArray bytes =
        readFile(QStringLiteral(VORLANTIX_JET_FIXTURES "/mdbreader_V2000_no-password.mdb"));
    return bytes;
}

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

QTEST_GUILESS_MAIN(WorkingCopyTest)
#include "working_copy_test.moc"
