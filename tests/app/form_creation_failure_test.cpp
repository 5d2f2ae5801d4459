#include "app/list_grid.h"
#include "app/panel_status_bar.h"
#include "app/tform1.h"
#include "db/resources.h"
#include "db/working_copy.h"
#include "modal_box_answerer.h"
#include "standard_error_capture.h"
#include "window_test_main.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <array>
#include <cstddef>
#include <cstdio>
#include <span>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Bytes that no engine takes for a database.
constexpr std::array<std::byte, 8> kNotADatabase{std::byte{'n'}, std::byte{'o'}, std::byte{'t'},
                                                 std::byte{' '}, std::byte{'a'}, std::byte{' '},
                                                 std::byte{'d'}, std::byte{'b'}};

// ReadOnlyDatabase: a database that any engine could read, which makes a later read of it show.
enum class Leftover { None, Directory, ReadOnlyFile, ReadOnlyDatabase };

// What the program carries as its database.
enum class Carried { Nothing, NotADatabase, DamagedTable };

// The program's database with one more row stated than its pages hold: a table that would read
// as a shorter one. Static, as a resource must be.
std::span<const std::byte> damagedTableDatabase() {
    static const QByteArray bytes = [] {
        QFile database(QStringLiteral(VORLANTIX_REMEDY_DATABASE));
        QByteArray read = database.open(QIODevice::ReadOnly) ? database.readAll() : QByteArray();
        // Table data is defined on page 10; its row count stands at 16 there.
        constexpr qsizetype kRowCount = 10 * 4096 + 16;
        if (read.size() > kRowCount + 4)
            qToLittleEndian(qFromLittleEndian<quint32>(read.constData() + kRowCount) + 1,
                            read.data() + kRowCount);
        return read;
    }();
    return std::as_bytes(std::span(bytes.constData(), static_cast<size_t>(bytes.size())));
}

QByteArray leftoverBytes(Leftover leftover) {
    if (leftover != Leftover::ReadOnlyDatabase)
        return "left by an earlier run"_ba;
    QFile database(QStringLiteral(VORLANTIX_JET_FIXTURES "/small_remedies.mdb"));
    return database.open(QIODevice::ReadOnly) ? database.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Leftover)
Q_DECLARE_METATYPE(Carried)

// When window creation fails, the one message comes first; the window then opens all the same,
// with its caption and an empty list, and still closes cleanly.
class FormCreationFailureTest : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void creationFails_data() {
        QTest::addColumn<Carried>("carried");
        QTest::addColumn<Leftover>("leftover");
        QTest::addColumn<bool>("copyRemainsAfterClose");
        QTest::addColumn<QString>("directoryName"); // inside the test's temporary directory
        // The reason written to standard error, "%1" standing for the working copy's path.
        QTest::addColumn<QString>("reason");
        // This row must come first: once registered, a resource stays registered.
        QTest::newRow("resource missing")
            << Carried::Nothing << Leftover::None << false << QString()
            << u"Resource \"ResBuild\" of type \"mdb\" not found."_s;
        QTest::newRow("working copy not writable")
            << Carried::NotADatabase << Leftover::Directory << true << QString()
            << u"Cannot create file \"%1\": Is a directory."_s;
        QTest::newRow("read-only file left there")
            << Carried::NotADatabase << Leftover::ReadOnlyFile << true << QString()
            << u"Cannot create file \"%1\": it is read-only."_s;
        QTest::newRow("read-only database left there")
            << Carried::NotADatabase << Leftover::ReadOnlyDatabase << true << QString()
            << u"Cannot create file \"%1\": it is read-only."_s;
        QTest::newRow("database cannot be opened")
            << Carried::NotADatabase << Leftover::None << false << QString()
            << u"'%1' is not a Jet 4.0 database."_s;
        QTest::newRow("damaged table")
            << Carried::DamagedTable << Leftover::None << false << QString()
            << u"Cannot read table 'data' of database '%1': it holds 8031 rows, its pages only 8030."_s;
        // The reason stays on one line whatever the directory is called.
        QTest::newRow("line break in the directory's name")
            << Carried::NotADatabase << Leftover::Directory << true << u"line\nbreak"_s
            << u"Cannot create file \"%1\": Is a directory."_s;
    }
    void creationFails() {
        QFETCH(Carried, carried);
        QFETCH(Leftover, leftover);
        QFETCH(bool, copyRemainsAfterClose);
        QFETCH(QString, directoryName);
        QFETCH(QString, reason);

        QTemporaryDir tempDir;
        QVERIFY(tempDir.isValid());
        const QString directory = tempDir.path() + u'/' + directoryName;
        QVERIFY(QDir().mkpath(directory));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(directory));
        const QString copyPath = db::workingCopyPath();
        if (carried == Carried::Nothing)
            QVERIFY(!db::findResource(u"mdb", u"ResBuild"));
        else if (carried == Carried::NotADatabase)
            db::registerResource(u"mdb", u"ResBuild", kNotADatabase);
        else
            db::registerResource(u"mdb", u"ResBuild", damagedTableDatabase());
        if (leftover == Leftover::Directory)
            QVERIFY(QDir().mkdir(copyPath));
        const QByteArray leftBytes = leftoverBytes(leftover);
        if (leftover == Leftover::ReadOnlyFile || leftover == Leftover::ReadOnlyDatabase) {
            QVERIFY(!leftBytes.isEmpty());
            QFile file(copyPath);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(leftBytes);
            file.close();
            QVERIFY(file.setPermissions(QFileDevice::ReadOwner));
        }

        ModalBoxAnswerer answerer;
        StandardErrorCapture standardError;
        TForm1 form;
        QList<QByteArray> logged = standardError.text().split('\n');
        // The one line, and nothing of the engine's libraries beside it.
        logged.removeIf([](const QByteArray& line) { return line.isEmpty(); });
        QCOMPARE(logged.size(), 1);
        QString loggedPath = copyPath;
        loggedPath.replace(u'\n', u"\\x0a"_s);
        QCOMPARE(QString::fromLocal8Bit(logged.first()),
                 u"vorlantix: cannot start: "_s + reason.replace(u"%1"_s, loggedPath));
        // Shown while the window was being created, before it was first shown.
        QCOMPARE(answerer.boxes().size(), 1);
        const ShownBox box = answerer.boxes().first();
        QCOMPARE(box.text, u"程序发生未知错误,请联系客服！"_s);
        QCOMPARE(box.caption, u"Vorlantix"_s);
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, QStringList{u"OK"_s});
        answerer.clear();

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), u"Vorlanta 1.4.20160122"_s);
        auto* grid = form.findChild<app::ListGrid*>(u"DBGrid1"_s);
        auto* statusBar = form.findChild<app::PanelStatusBar*>(u"StatusBar1"_s);
        QCOMPARE(grid->model()->rowCount(), 0);
        QCOMPARE(statusBar->panelText(0), QString());
        QCOMPARE(statusBar->panelText(1), QString());
        if (leftover == Leftover::ReadOnlyFile || leftover == Leftover::ReadOnlyDatabase) {
            QFile file(copyPath);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), leftBytes);
        }

        // The refresh has nothing to open either, not even a refused file an engine could read:
        // its error is reported and the window goes on.
        QTest::mouseClick(form.findChild<QPushButton*>(u"Button_Refresh"_s), Qt::LeftButton);
        QCOMPARE(answerer.boxes().size(), 1);
        QCOMPARE(answerer.boxes().first().icon, QMessageBox::Critical);
        QCOMPARE(grid->model()->rowCount(), 0);
        QCOMPARE(statusBar->panelText(0), QString());
        answerer.clear();

        QTest::mouseClick(form.findChild<QPushButton*>(u"Button_Close"_s), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QVERIFY(answerer.boxes().isEmpty());
        QCOMPARE(QFileInfo::exists(copyPath), copyRemainsAfterClose);
    }
};

VORLANTIX_WINDOW_TEST_MAIN(FormCreationFailureTest)
#include "form_creation_failure_test.moc"
