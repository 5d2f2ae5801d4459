#include "app/list_grid.h"
#include "app/panel_status_bar.h"
#include "app/row_indicator_header.h"
#include "app/tform1.h"
#include "assets/embedded_database.h"
#include "db/connection.h"
#include "db/record_set.h"
#include "db/resources.h"
#include "db/working_copy.h"
#include "form_fixture.h"
#include "key_input.h"
#include "lookup/search.h"
#include "lookup/web_links.h"
#include "window_test_main.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QByteArray databaseBytes() {
    const auto bytes = db::findResource(u"mdb", u"ResBuild");
    return QByteArray(reinterpret_cast<const char*>(bytes->data()),
                      static_cast<qsizetype>(bytes->size()));
}

// Counts the close events a window receives: each one runs the window's close step.
class CloseEventCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close)
            ++count;
        return false;
    }
};

} // namespace

// The window from start to close, on the database the program carries.
class FormLifecycleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedDatabase(); }

    void init() { fixture_ = std::make_unique<FormFixture>(); }
    void cleanup() { fixture_.reset(); }

    void startState() {
        fixture_->createForm();
        QVERIFY2(answerer()->boxes().isEmpty(), qPrintable(answerer()->texts().join(u'|')));
        QCOMPARE(form()->windowTitle(), u"Vorlanta 1.4.20160122"_s);
        QCOMPARE(child<QTabWidget>(u"PageControl1")->currentIndex(), 0);
        checkFullList();
        QCOMPARE(statusBar()->panelText(1), QString());
        QCOMPARE(child<QLineEdit>(u"searchkeyword")->text(), u"请输入搜索关键词"_s);
        QCOMPARE(child<QComboBox>(u"ComboBox_Class")->currentText(), u"分类查看"_s);
        QCOMPARE(child<QPlainTextEdit>(u"Memo_Info")->toPlainText(), QString());
        QVERIFY(QFile::exists(db::workingCopyPath()));
    }

    void editingVersionKeepsCaption() {
        fixture_->createForm();
        child<QTabWidget>(u"PageControl1")->setCurrentIndex(1);
        auto* version = child<QLineEdit>(u"Edit_SoftVer");
        QTest::mouseClick(version, Qt::LeftButton);
        QTest::keyClick(version, Qt::Key_A, Qt::ControlModifier);
        typeText(version, u"2.0 新版"_s);
        QCOMPARE(version->text(), u"2.0 新版"_s);
        QCOMPARE(form()->windowTitle(), u"Vorlanta 1.4.20160122"_s);
    }

    // After the list has been narrowed (as a search does), the refresh button brings back the
    // whole list and leaves the boxes alone; a second refresh gives the same.
    void refreshBringsBackWholeList() {
        fixture_->createForm();
        db::RecordSet* set = recordSet();
        set->close();
        set->clearSql();
        set->addSqlLine(lookup::searchStatement(u"补气"_s));
        set->open();
        QVERIFY(set->recordCount() < 8030);
        auto* keyword = child<QLineEdit>(u"searchkeyword");
        keyword->setText(u"补气"_s);
        child<QComboBox>(u"ComboBox_Class")->setCurrentIndex(0);
        child<QPlainTextEdit>(u"Memo_Info")->setPlainText(u"正文"_s);
        statusBar()->setPanelText(0, u"关于补气的信息"_s);

        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(child<QPushButton>(u"Button_Refresh"), Qt::LeftButton);
            checkFullList();
            QCOMPARE(set->sql(), QStringList{lookup::kListStatement.toString()});
            QCOMPARE(keyword->text(), u"补气"_s);
            QCOMPARE(child<QComboBox>(u"ComboBox_Class")->currentText(), u"补气"_s);
            QCOMPARE(child<QPlainTextEdit>(u"Memo_Info")->toPlainText(), u"正文"_s);
        }
        QVERIFY(answerer()->boxes().isEmpty());
    }

    // Each open rebuilds the grid's columns, all shown; the column layout hides them again.
    void everyOpenRebuildsColumns() {
        fixture_->createForm();
        QList<qsizetype> visibleAtOpen;
        connect(recordSet(), &db::RecordSet::opened, this,
                [&] { visibleAtOpen.append(visibleColumns().size()); });
        QTest::mouseClick(child<QPushButton>(u"Button_Refresh"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(u"Button_Refresh"), Qt::LeftButton);
        QCOMPARE(visibleAtOpen, (QList<qsizetype>{3, 3}));
        QCOMPARE(visibleColumns(), QList<int>{1});
    }

    void gridAndRecordSetMoveTogether() {
        fixture_->createForm();
        app::ListGrid* grid = this->grid();
        db::RecordSet* set = recordSet();

        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(3, 1)).center());
        QCOMPARE(set->currentRow(), 3);
        QCOMPARE(grid->rowIndicator()->indicatorRow(), 3);

        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(set->currentRow(), 4);
        QCOMPARE(grid->currentIndex().row(), 4);

        set->moveBy(500);
        QCOMPARE(grid->currentIndex().row(), 504);
        QCOMPARE(grid->currentIndex().column(), 1);
        QCOMPARE(grid->rowIndicator()->indicatorRow(), 504);
        QVERIFY(grid->viewport()->rect().contains(grid->visualRect(grid->currentIndex())));

        set->moveBy(-10000);
        QCOMPARE(grid->currentIndex().row(), 0);
        QVERIFY(answerer()->boxes().isEmpty());
    }

    // With the database gone the refresh shows the engine's error and leaves an empty list;
    // once the database is back, the next refresh loads it again.
    void refreshFailureIsReportedAndRecovers() {
        fixture_->createForm();
        fixture_->connection()->close();
        QVERIFY(QFile::remove(db::workingCopyPath()));

        QTest::mouseClick(child<QPushButton>(u"Button_Refresh"), Qt::LeftButton);
        QCOMPARE(answerer()->boxes().size(), 1);
        const ShownBox box = answerer()->boxes().first();
        QCOMPARE(box.caption, u"Vorlantix"_s);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QVERIFY(box.text.endsWith(u'.'));
        QVERIFY(box.text.contains(u"ResBuild.dll"_s));
        QCOMPARE(grid()->model()->rowCount(), 0);
        QCOMPARE(statusBar()->panelText(0), u"共8030条信息"_s);
        QVERIFY(form()->isVisible());

        db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, db::workingCopyPath());
        answerer()->clear();
        QTest::mouseClick(child<QPushButton>(u"Button_Refresh"), Qt::LeftButton);
        QVERIFY(answerer()->boxes().isEmpty());
        checkFullList();
    }

    void leftoverWorkingCopyIsReplaced_data() {
        QTest::addColumn<QByteArray>("leftover");
        QTest::newRow("foreign file") << "not a database"_ba;
        QTest::newRow("truncated copy") << databaseBytes().left(5000);
        QTest::newRow("empty file") << QByteArray();
    }
    void leftoverWorkingCopyIsReplaced() {
        QFETCH(QByteArray, leftover);
        QFile file(db::workingCopyPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(leftover);
        file.close();

        fixture_->createForm();
        QVERIFY(answerer()->boxes().isEmpty());
        checkFullList();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == databaseBytes());
    }

    // Every way of closing runs the close step once: the connection closes, the working copy
    // goes, and the application's last window is gone, which ends its event loop. The system
    // menu's close item reaches the window as the title bar's close button does.
    void closing_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("退出 button") << u"button"_s;
        QTest::newRow("title bar") << u"title bar"_s;
        QTest::newRow("close key") << u"close key"_s;
    }
    void closing() {
        QFETCH(QString, way);
        fixture_->createForm();
        CloseEventCounter closes;
        form()->installEventFilter(&closes);
        QSignalSpy connectionClosing(fixture_->connection(), &db::Connection::aboutToClose);

        QTimer::singleShot(0, form(), [&] {
            if (way == u"button")
                QTest::mouseClick(child<QPushButton>(u"Button_Close"), Qt::LeftButton);
            else if (way == u"title bar")
                form()->windowHandle()->close();
            else
                QTest::keyClick(form(), Qt::Key_F4, Qt::AltModifier);
        });
        // Ends the loop with an error code should the close not end it (instead of hanging).
        QTimer failSafe;
        failSafe.callOnTimeout(qApp, [] { QCoreApplication::exit(1); });
        failSafe.start(std::chrono::seconds(30));
        QCOMPARE(QApplication::exec(), 0);

        QVERIFY(!form()->isVisible());
        QCOMPARE(closes.count, 1);
        QCOMPARE(connectionClosing.size(), 1);
        QVERIFY(!fixture_->connection()->connected());
        QCOMPARE(grid()->model()->rowCount(), 0);
        QVERIFY(!QFile::exists(db::workingCopyPath()));
        QVERIFY(answerer()->boxes().isEmpty());
    }

    // The temporary directory is worked out once per start: when it changes during the run, the
    // close still removes the copy that was written and leaves the new place alone.
    void closeRemovesTheCopyItWrote() {
        fixture_->createForm();
        const QString written = db::workingCopyPath();
        QTemporaryDir elsewhere;
        QVERIFY(elsewhere.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(elsewhere.path()));
        QFile other(db::workingCopyPath());
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("another instance's copy");
        other.close();

        QVERIFY(form()->close());
        QVERIFY(!QFile::exists(written));
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), "another instance's copy"_ba);
    }

    // Enter and the keypad's Enter press the push button that has the focus, as Space does;
    // there is no default button, so Enter in the keyword box presses none.
    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<QString>("button");
        for (const char* name : {"Button_Copy", "Button_Refresh", "Button_Search", "Button_Close",
                                 "Button_Updata", "Button_Web"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void enterPressesTheFocusedButton() {
        QFETCH(QString, button);
        fixture_->createForm();
        QStringList opened;
        lookup::setUrlOpener([&](const QString& url) { opened.append(url); });
        auto* pressed = child<QPushButton>(button);
        QSignalSpy clicks(pressed, &QPushButton::clicked);
        pressed->setFocus(Qt::TabFocusReason);
        QTest::keyClick(pressed, Qt::Key_Return);
        QTest::keyClick(pressed, Qt::Key_Enter, Qt::KeypadModifier);
        lookup::setUrlOpener({});
        QCOMPARE(clicks.size(), 2);
    }

    void enterInTheKeywordBoxPressesNothing() {
        fixture_->createForm();
        auto* keyword = child<QLineEdit>(u"searchkeyword");
        keyword->setFocus(Qt::TabFocusReason);
        QList<QSignalSpy*> spies;
        for (QPushButton* button : form()->findChildren<QPushButton*>())
            spies.append(new QSignalSpy(button, &QPushButton::clicked));
        QTest::keyClick(keyword, Qt::Key_Return);
        QTest::keyClick(keyword, Qt::Key_Enter, Qt::KeypadModifier);
        for (QSignalSpy* spy : spies)
            QCOMPARE(spy->size(), 0);
        qDeleteAll(spies);
        QCOMPARE(recordSet()->sql(), QStringList{lookup::kListStatement.toString()});
        QVERIFY(answerer()->boxes().isEmpty());
    }

private:
    void checkFullList() {
        QCOMPARE(grid()->model()->rowCount(), 8030);
        QCOMPARE(recordSet()->currentRow(), 0);
        QCOMPARE(grid()->currentIndex().row(), 0);
        QCOMPARE(grid()->rowIndicator()->indicatorRow(), 0);
        QCOMPARE(visibleColumns(), QList<int>{1});
        QCOMPARE(grid()->model()->headerData(1, Qt::Horizontal).toString(), u"标题"_s);
        QCOMPARE(grid()->columnWidth(1), 300);
        QCOMPARE(statusBar()->panelText(0), u"共8030条信息"_s);
    }

    QList<int> visibleColumns() const {
        QList<int> visible;
        for (int column = 0; column < grid()->model()->columnCount(); ++column) {
            if (!grid()->isColumnHidden(column))
                visible.append(column);
        }
        return visible;
    }

    template <typename T>
    T* child(QStringView name) const {
        return fixture_->child<T>(name);
    }
    TForm1* form() const { return &fixture_->form(); }
    app::ListGrid* grid() const { return fixture_->grid(); }
    app::PanelStatusBar* statusBar() const { return fixture_->statusBar(); }
    db::RecordSet* recordSet() const { return fixture_->recordSet(); }
    ModalBoxAnswerer* answerer() const { return &fixture_->boxes(); }

    std::unique_ptr<FormFixture> fixture_;
};

VORLANTIX_WINDOW_TEST_MAIN(FormLifecycleTest)
#include "form_lifecycle_test.moc"
