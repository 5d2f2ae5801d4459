#include "db/resources.h"
#include "db/working_copy.h"

#include "file_fixtures.h"
#include "file_race.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;
using namespace fixtures;

Q_DECLARE_METATYPE(file_race::Move)

namespace {

// The registry keeps only a view of the bytes, so they live as long as the program does.
const QByteArray& payload() {
    static const QByteArray bytes = databaseLike(5000);
    return bytes;
}

} // namespace

// Another program deleting or replacing the working copy while it is being opened: the copy is
// opened again and written, and a race that never stops ends in a refusal instead of a loop. A
// file that another program put in the copy's place is never deleted as ours.
class ResourcesRaceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void writesTheCopyAfterAPassingRace_data();
    void writesTheCopyAfterAPassingRace();
    void refusesARaceThatNeverStops_data();
    void refusesARaceThatNeverStops();
    void failedWriteLeavesAFileThatReplacedTheCopy();
    void deleteLeavesAFileThatReplacedTheCopy();

private:
    std::optional<QTemporaryDir> dir_;
    QString target_;
};

void ResourcesRaceTest::initTestCase() {
    db::registerResource(u"mdb", u"ResBuild", bytesOf(payload()));
}

void ResourcesRaceTest::init() {
    dir_.emplace();
    QVERIFY(dir_->isValid());
    target_ = dir_->path() + u"/ResBuild.dll"_s;
}

void ResourcesRaceTest::cleanup() {
    file_race::disarm();
}

void ResourcesRaceTest::writesTheCopyAfterAPassingRace_data() {
    QTest::addColumn<file_race::Move>("move");
    QTest::addColumn<int>("times");
    QTest::addColumn<bool>("leftOver");

    using file_race::Move;
    QTest::newRow("deleted before the lock, once") << Move::DeleteBeforeLock << 1 << false;
    QTest::newRow("deleted before the lock, twice") << Move::DeleteBeforeLock << 2 << false;
    QTest::newRow("left-over deleted before the lock") << Move::DeleteBeforeLock << 1 << true;
    QTest::newRow("replaced before the lock, once") << Move::ReplaceBeforeLock << 1 << false;
    QTest::newRow("replaced before the lock, twice") << Move::ReplaceBeforeLock << 2 << false;
    QTest::newRow("deleted between the two opens, once")
        << Move::DeleteAfterExclusiveCreate << 1 << true;
    QTest::newRow("deleted between the two opens, twice")
        << Move::DeleteAfterExclusiveCreate << 2 << true;
}

void ResourcesRaceTest::writesTheCopyAfterAPassingRace() {
    QFETCH(file_race::Move, move);
    QFETCH(int, times);
    QFETCH(bool, leftOver);
    if (leftOver)
        QVERIFY(writeFile(target_, payload().left(100)));

    file_race::arm(native(target_), move, times);
    try {
        db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, target_);
    } catch (const std::exception& error) {
        QFAIL(error.what());
    }
    QCOMPARE(file_race::disarm(), times);

    QCOMPARE(readFile(target_), payload());
    QCOMPARE(permissions(target_), mode_t(0600));
    // The copy written is the one at the path, and it is held: not a file someone took away.
    QVERIFY(!canLockExclusively(target_));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"ResBuild.dll"_s});
}

void ResourcesRaceTest::refusesARaceThatNeverStops_data() {
    QTest::addColumn<file_race::Move>("move");
    QTest::addColumn<std::optional<QByteArray>>("leftAtPath");

    using file_race::Move;
    const std::optional<QByteArray> nothing;
    QTest::newRow("deleted before every lock") << Move::DeleteBeforeLock << nothing;
    QTest::newRow("replaced before every lock")
        << Move::ReplaceBeforeLock << std::optional(QByteArray(file_race::kOtherContent));
    QTest::newRow("deleted between every two opens") << Move::DeleteAfterExclusiveCreate << nothing;
}

void ResourcesRaceTest::refusesARaceThatNeverStops() {
    QFETCH(file_race::Move, move);
    QFETCH(std::optional<QByteArray>, leftAtPath);

    file_race::arm(native(target_), move, -1);
    QString message;
    try {
        db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, target_);
    } catch (const db::FileCreateError& error) {
        message = QString::fromUtf8(error.what());
    }
    QVERIFY(file_race::disarm() > 0);

    QCOMPARE(message,
             u"Cannot create file \""_s + target_ + u"\": another program keeps replacing it"_s);
    // What the other program left there is its own: not cut, not written over.
    QCOMPARE(exists(target_), leftAtPath.has_value());
    if (leftAtPath)
        QCOMPARE(readFile(target_), *leftAtPath);
}

// The copy is replaced after our checks, and our write then fails: the partial copy is gone with
// the name, and the file that now has the name is the other program's, to stay.
void ResourcesRaceTest::failedWriteLeavesAFileThatReplacedTheCopy() {
    file_race::arm(native(target_), file_race::Move::ReplaceBeforeTruncate, 1);
    const ChildOutcome child = runInChild([&](int reportFd) {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = static_cast<rlim_t>(payload().size() / 2);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, target_);
            report(reportFd, "written in full");
            return 2;
        } catch (const db::FileWriteError& error) {
            report(reportFd, error.what());
        }
        return file_race::disarm() == 1 ? 0 : 3;
    });
    QVERIFY2(child.succeeded(), child.describe().constData());
    QCOMPARE(readFile(target_), QByteArray(file_race::kOtherContent));
}

// Another instance writes its copy at the name between our open and our lock at the close: the
// copy deleted is ours alone, and the other instance's stays.
void ResourcesRaceTest::deleteLeavesAFileThatReplacedTheCopy() {
    const QString directory = dir_->path() + u'/';
    const QString copy = db::workingCopyPath(directory);
    db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, copy);

    file_race::arm(native(copy), file_race::Move::ReplaceBeforeLock, 1);
    db::deleteWorkingCopy(directory);
    QCOMPARE(file_race::disarm(), 1);
    QCOMPARE(readFile(copy), QByteArray(file_race::kOtherContent));
}

QTEST_GUILESS_MAIN(ResourcesRaceTest)
#include "resources_race_test.moc"
