#include "db/file_lock.h"
#include "db/posix_file.h"

#include "file_fixtures.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace fixtures;

namespace {

enum class Obstacle { MissingFile, SymlinkToFile, Directory, BeingWritten, NulInPath };

} // namespace

class FileLockTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void refusesWhatCannotBeHeld_data();
    void refusesWhatCannotBeHeld();
    void readersShareTheFile();
    void holdLastsAsLongAsItsOwner();
    void keptFileIsReadWhateverItsNameLeadsTo();
    void keptFileStaysLockedWhileHeld();

private:
    std::optional<QTemporaryDir> dir_;
    QString file_;
};

void FileLockTest::init() {
    dir_.emplace();
    QVERIFY(dir_->isValid());
    file_ = dir_->path() + u"/ResBuild.dll"_s;
}

void FileLockTest::refusesWhatCannotBeHeld_data() {
    QTest::addColumn<Obstacle>("obstacle");

    QTest::newRow("missing file") << Obstacle::MissingFile;
    QTest::newRow("symbolic link") << Obstacle::SymlinkToFile;
    QTest::newRow("directory") << Obstacle::Directory;
    QTest::newRow("being written by another instance") << Obstacle::BeingWritten;
    QTest::newRow("NUL in the path") << Obstacle::NulInPath;
}

void FileLockTest::refusesWhatCannotBeHeld() {
    QFETCH(Obstacle, obstacle);
    QString path = file_;
    // Stands in for another instance's ExtractResourceToFile, which locks exclusively.
    db::posix::UniqueFd writer;

    switch (obstacle) {
    case Obstacle::MissingFile:
        break;
    case Obstacle::SymlinkToFile: {
        const QString target = dir_->path() + u"/target"_s;
        QVERIFY(writeFile(target, "data"));
        QVERIFY(QFile::link(target, file_));
        break;
    }
    case Obstacle::Directory:
        QVERIFY(QDir(dir_->path()).mkdir(u"ResBuild.dll"_s));
        break;
    case Obstacle::BeingWritten:
        QVERIFY(writeFile(file_, "half written"));
        writer = db::posix::UniqueFd(::open(native(file_).constData(), O_RDWR | O_CLOEXEC));
        QCOMPARE(::flock(writer.get(), LOCK_EX | LOCK_NB), 0);
        break;
    case Obstacle::NulInPath:
        QVERIFY(writeFile(file_, "data"));
        path = file_ + QChar(u'\0') + u"x"_s;
        break;
    }

    try {
        const db::FileHold hold = db::holdFileShared(path);
        QFAIL("the file was held");
    } catch (const db::FileHoldError& error) {
        QVERIFY2(QString::fromUtf8(error.what()).startsWith(u"Cannot open \""_s), error.what());
    }
}

void FileLockTest::readersShareTheFile() {
    QVERIFY(writeFile(file_, "data"));

    const db::FileHold first = db::holdFileShared(file_);
    const db::FileHold second = db::holdFileShared(file_);

    QVERIFY(first.held() && second.held());
    QVERIFY(!canLockExclusively(file_));
}

void FileLockTest::holdLastsAsLongAsItsOwner() {
    QVERIFY(writeFile(file_, "data"));
    {
        db::FileHold hold = db::holdFileShared(file_);
        db::FileHold moved = std::move(hold);
        // The moved-from hold is what this checks.
        QVERIFY(!hold.held()); // NOLINT(bugprone-use-after-move)
        QVERIFY(moved.held());
        QVERIFY(!canLockExclusively(file_));

        moved.release();
        QVERIFY(!moved.held());
        QVERIFY(canLockExclusively(file_));

        moved = db::holdFileShared(file_);
        QVERIFY(!canLockExclusively(file_));
    }
    QVERIFY(canLockExclusively(file_));
}

namespace {

// Keeps `path` as this process's written file, locked exclusively as the writer leaves it.
void keepAsWritten(const QString& path) {
    db::posix::UniqueFd written(::open(native(path).constData(), O_RDONLY | O_CLOEXEC));
    QCOMPARE(::flock(written.get(), LOCK_EX | LOCK_NB), 0);
    const QByteArray name = db::posix::splitPath(native(path)).name;
    db::keepWrittenFile(path, db::posix::openParentDirectory(native(path)), name,
                        std::move(written));
}

QByteArray readHeld(const db::FileHold& hold) {
    char buffer[64];
    const ssize_t got = ::pread(hold.fd(), buffer, sizeof buffer, 0);
    return got < 0 ? QByteArray() : QByteArray(buffer, got);
}

} // namespace

// A reader of the path gets the kept file, whatever its name leads to now, until it is released.
void FileLockTest::keptFileIsReadWhateverItsNameLeadsTo() {
    const QString planted = dir_->path() + u"/planted"_s;
    QVERIFY(writeFile(file_, "written"));
    keepAsWritten(file_);
    QVERIFY(writeFile(planted, "planted"));
    QCOMPARE(::rename(native(planted).constData(), native(file_).constData()), 0);

    QCOMPARE(readHeld(db::holdForReading(file_)), "written"_ba);

    // Once released, the path is read as it stands.
    db::releaseWrittenFile(file_);
    QCOMPARE(readHeld(db::holdForReading(file_)), "planted"_ba);

    // A kept file whose name is gone is gone for its readers too.
    keepAsWritten(file_);
    QVERIFY(QFile::remove(file_));
    QVERIFY_THROWS_EXCEPTION(db::FileHoldError, db::holdForReading(file_));
    db::releaseWrittenFile(file_);
}

// The kept file stays locked until the keeper and every hold made from it have let go.
void FileLockTest::keptFileStaysLockedWhileHeld() {
    QVERIFY(writeFile(file_, "written"));
    keepAsWritten(file_);
    QVERIFY(!canLockExclusively(file_));

    db::FileHold hold = db::holdForReading(file_);
    db::releaseWrittenFile(file_);
    QVERIFY(!canLockExclusively(file_));

    hold.release();
    QVERIFY(canLockExclusively(file_));
}

QTEST_GUILESS_MAIN(FileLockTest)
#include "file_lock_test.moc"
