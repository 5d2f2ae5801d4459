#include "app/panel_status_bar.h"
#include "app/tform1.h"
#include "assets/embedded_database.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "modal_box_answerer.h"
#include "squats.h"
#include "window_test_main.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace fixtures;

namespace {

// Set in the test's own run as the user: the window is started there, not the squat planted.
constexpr char kAsTheUser[] = "VORLANTIX_TEST_AS_THE_USER";

} // namespace

Q_DECLARE_METATYPE(Squat)
Q_DECLARE_METATYPE(SquatName)

// Another user plants something in a sticky directory that all may write to, under the name of
// the working copy or of the user's own directory there; the user (not root) starts the program
// from it all the same, sees the whole collection and leaves no copy behind at close. Run as
// root: the squat is planted and given to the attacker, then this test runs itself again as
// `nobody`.
class FormSharedDirectoryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedDatabase(); }

    void squatDoesNotKeepTheUserOut_data() {
        QTest::addColumn<Squat>("squat");
        QTest::addColumn<SquatName>("name");
        QTest::newRow("nothing planted") << Squat::None << SquatName::Copy;
        const std::pair<const char*, Squat> squats[] = {
            {"file", Squat::File},     {"directory", Squat::Directory},   {"FIFO", Squat::Fifo},
            {"socket", Squat::Socket}, {"symbolic link", Squat::Symlink},
        };
        for (const auto& [kind, squat] : squats) {
            QTest::addRow("%s as ResBuild.dll", kind) << squat << SquatName::Copy;
            QTest::addRow("%s as the user's directory", kind) << squat << SquatName::OwnDirectory;
        }
    }
    void squatDoesNotKeepTheUserOut() {
        if (qEnvironmentVariableIsSet(kAsTheUser)) {
            startAsTheUser();
            return;
        }
        QFETCH(Squat, squat);
        QFETCH(SquatName, name);
        if (::geteuid() != 0)
            QSKIP("needs root to act as two other users (the attacker and the user)");
        QTemporaryDir testDirectory;
        QVERIFY(testDirectory.isValid());
        const QString shared = makeSharedDirectory(testDirectory.path());
        QVERIFY(!shared.isEmpty());
        const QString planted =
            shared + u'/' + (name == SquatName::Copy ? u"ResBuild.dll"_s : ownDirectoryName());
        // Planted here and handed to the attacker rather than planted by a forked child: a child
        // forked from this process, which runs Qt's threads, would end under the leak check
        // with those threads' memory out of its reach.
        QVERIFY(plant(squat, planted));
        QVERIFY(squat == Squat::None ||
                ::lchown(native(planted).constData(), kAttacker, kAttacker) == 0);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"XDG_RUNTIME_DIR"_s);
        environment.insert(u"TMPDIR"_s, shared);
        environment.insert(QString::fromLatin1(kAsTheUser), u"1"_s);
        QProcess user;
        user.setProcessEnvironment(environment);
        user.setProcessChannelMode(QProcess::MergedChannels);
        user.start(
            u"runuser"_s,
            {u"-u"_s, u"nobody"_s, u"--"_s, QCoreApplication::applicationFilePath(),
             u"squatDoesNotKeepTheUserOut:"_s + QString::fromLatin1(QTest::currentDataTag())});
        QVERIFY2(user.waitForFinished(60000), "the user's run did not end");
        const QByteArray output = user.readAll();
        QVERIFY2(user.exitStatus() == QProcess::NormalExit && user.exitCode() == 0,
                 output.constData());

        QVERIFY(squat == Squat::None || exists(planted));
        // The user's own directory stays for later starts, without the copy; a fresh one made
        // because the name was taken goes with the run.
        // (Qt keeps its own runtime directory there too, having no XDG_RUNTIME_DIR.)
        QStringList left = QDir(shared).entryList({u"vorlantix-*"_s, u"ResBuild.dll"_s},
                                                  QDir::AllEntries | QDir::System);
        left.sort();
        QStringList expected{ownDirectoryName()};
        if (squat != Squat::None && name == SquatName::Copy)
            expected.prepend(u"ResBuild.dll"_s);
        QCOMPARE(left, expected);
        if (name == SquatName::Copy) {
            const QString own = shared + u'/' + ownDirectoryName();
            QCOMPARE(QFileInfo(own).ownerId(), kNobody);
            QVERIFY(!exists(own + u"/ResBuild.dll"_s));
        }
    }

private:
    // As the user: the start shows the whole collection, with no message, and the close step
    // leaves no copy in the directory the window chose.
    static void startAsTheUser() {
        ModalBoxAnswerer answerer;
        {
            TForm1 form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QVERIFY(answerer.boxes().isEmpty());
            QCOMPARE(form.findChild<app::PanelStatusBar*>(u"StatusBar1"_s)->panelText(0),
                     u"共8030条信息"_s);
            const QString copy =
                db::parseConnectionString(
                    form.findChild<db::Connection*>(u"ADOConnection1"_s)->connectionString())
                    .dataSource;
            QVERIFY2(copy.endsWith(u"/ResBuild.dll"_s) && exists(copy), qPrintable(copy));
            QTest::mouseClick(form.findChild<QPushButton*>(u"Button_Close"_s), Qt::LeftButton);
            QVERIFY(!form.isVisible());
            QVERIFY(!exists(copy));
        }
        QVERIFY(answerer.boxes().isEmpty());
    }
};

VORLANTIX_WINDOW_TEST_MAIN(FormSharedDirectoryTest)
#include "form_shared_directory_test.moc"
