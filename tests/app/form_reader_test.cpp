#include "app/list_grid.h"
#include "app/row_indicator_header.h"
#include "assets/embedded_database.h"
#include "db/record_set.h"
#include "db/working_copy.h"
#include "form_fixture.h"
#include "key_input.h"
#include "lookup/format_remedy_body.h"
#include "lookup/web_links.h"
#include "window_test_main.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

namespace {

// Turns the mouse wheel over the middle of `over` by `delta` (120 per notch; positive away from
// the user), sent to that widget as the window system delivers it.
void turnWheel(QWidget* over, QPoint delta) {
    const QPointF at = QRectF(over->rect()).center();
    QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &wheel);
}

void turnWheel(app::ListGrid* grid, QPoint delta) {
    turnWheel(grid->viewport(), delta);
}

enum class Spot { Cell, Title, ColumnBorder, RowIndicator, Outside };

} // namespace

Q_DECLARE_METATYPE(Spot)

// Reading a remedy, copying it, the wheel over the list and the web links, through the window.
class FormReaderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedDatabase(); }
    void init() {
        fixture_ = std::make_unique<FormFixture>();
        fixture_->createForm();
    }
    void cleanup() {
        fixture_.reset();
        lookup::setUrlOpener({});
    }

    void cellClickShowsTheFormattedBody() {
        const int row = rowWhere([](const QString& body) { return body.contains(u'#'); });
        clickCell(row, 1);
        const QString shown = detailBox()->toPlainText();
        QVERIFY(shown.startsWith(fixture_->recordSet()->valueText(row, 1)));
        QVERIFY(!shown.contains(u'#'));
        QVERIFY(shown.contains(u"\n【"_s));
        // Every section on a line of its own.
        for (const QString& line : shown.split(u'\n').mid(1))
            QVERIFY2(line.startsWith(u'【'), qPrintable(line));

        // A click replaces whatever the box held, typed text included.
        typeText(detailBox(), u"笔记"_s);
        clickCell(row, 1);
        QCOMPARE(detailBox()->toPlainText(), shown);
    }

    // A body that begins with a section heading shows an empty first line before it: the
    // heading goes on a line of its own like every other, and nothing is trimmed away.
    void bodyBeginningWithAHeadingKeepsItsEmptyFirstLine() {
        const int row = rowWhere([](const QString& body) { return body.startsWith(u'【'); });
        clickCell(row, 1);
        const QString body = fixture_->recordSet()->valueText(row, 2);
        const QString shown = detailBox()->toPlainText();
        QVERIFY2(shown.startsWith(u"\n【"_s), qPrintable(shown.left(20)));
        QCOMPARE(shown, lookup::FormatRemedyBody(body).replace(u"\r\n"_s, u"\n"_s));
    }

    void remedyWithoutBodyLeavesTheBoxEmpty() {
        const int row = rowWhere([](const QString& body) { return body.isEmpty(); });
        detailBox()->setPlainText(u"前一个"_s);
        clickCell(row, 1);
        QCOMPARE(detailBox()->toPlainText(), QString());
        fixture_->click(u"Button_Copy");
        QCOMPARE(fixture_->boxes().texts(), QStringList{u"请选择一条信息再复制！"_s});
    }

    void clicksOutsideTheCellsReadNothing() {
        app::ListGrid* grid = fixture_->grid();
        QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(grid->columnViewportPosition(1) + 20, 5));
        QTest::mouseClick(grid->verticalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(5, grid->rowViewportPosition(2) + 5));
        QTest::mouseClick(grid->viewport(), Qt::RightButton, {},
                          grid->visualRect(grid->model()->index(1, 1)).center());
        QCOMPARE(detailBox()->toPlainText(), QString());
    }

    // A press somewhere in the grid, a move with the button held, a release: a cell click when
    // the release is over a data cell and the press did not drag a column's border. The click
    // reads the current record as it is then.
    void cellClickOnRelease_data() {
        QTest::addColumn<Spot>("press");
        QTest::addColumn<int>("pressRow");
        QTest::addColumn<Spot>("release");
        QTest::addColumn<int>("releaseRow");
        QTest::addColumn<bool>("clicked");
        QTest::addColumn<int>("current");
        QTest::newRow("same cell") << Spot::Cell << 3 << Spot::Cell << 3 << true << 3;
        QTest::newRow("another row") << Spot::Cell << 3 << Spot::Cell << 5 << true << 5;
        QTest::newRow("from the row indicator")
            << Spot::RowIndicator << 2 << Spot::Cell << 4 << true << 2;
        QTest::newRow("from the title row") << Spot::Title << 0 << Spot::Cell << 4 << true << 0;
        QTest::newRow("after resizing a column")
            << Spot::ColumnBorder << 0 << Spot::Cell << 4 << false << 0;
        QTest::newRow("over the title row") << Spot::Cell << 3 << Spot::Title << 0 << false << -1;
        QTest::newRow("over the row indicator")
            << Spot::Cell << 3 << Spot::RowIndicator << 3 << false << -1;
        QTest::newRow("outside the grid") << Spot::Cell << 3 << Spot::Outside << 0 << false << -1;
    }
    void cellClickOnRelease() {
        QFETCH(Spot, press);
        QFETCH(int, pressRow);
        QFETCH(Spot, release);
        QFETCH(int, releaseRow);
        QFETCH(bool, clicked);
        QFETCH(int, current);
        detailBox()->setPlainText(u"前一个"_s);
        const auto [pressOn, pressAt] = spot(press, pressRow);
        const auto [releaseOn, releaseAt] = spot(release, releaseRow);
        // The widget pressed keeps the mouse until the release: it receives the moves and the
        // release, wherever the pointer is.
        const QPoint end = pressOn->mapFromGlobal(releaseOn->mapToGlobal(releaseAt));
        QTest::mousePress(pressOn, Qt::LeftButton, {}, pressAt);
        QTest::mouseMove(pressOn, (pressAt + end) / 2);
        QTest::mouseMove(pressOn, end);
        QTest::mouseRelease(pressOn, Qt::LeftButton, {}, end);
        if (!clicked) {
            QCOMPARE(detailBox()->toPlainText(), u"前一个"_s);
            return;
        }
        QCOMPARE(fixture_->recordSet()->currentRow(), current);
        QCOMPARE(detailBox()->toPlainText(), shownBody(current));
    }

    // The second press of a double click comes as a double-click event, and its release is a
    // cell click like the first: the record is read again over what the box showed meanwhile.
    void eachReleaseOfADoubleClickReadsTheRecord() {
        const auto [viewport, at] = spot(Spot::Cell, 3);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QCOMPARE(detailBox()->toPlainText(), shownBody(3));
        detailBox()->setPlainText(u"前一个"_s);
        QMouseEvent secondPress(QEvent::MouseButtonDblClick, at, viewport->mapToGlobal(at),
                                Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &secondPress);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
        QCOMPARE(detailBox()->toPlainText(), shownBody(3));
    }

    // A press on the row indicator makes that row the current record; the detail box keeps the
    // remedy it showed.
    void rowIndicatorPressMovesTheRecord() {
        clickCell(1, 1);
        const QString shown = detailBox()->toPlainText();
        app::ListGrid* grid = fixture_->grid();
        const auto [indicator, at] = spot(Spot::RowIndicator, 4);
        QTest::mousePress(indicator, Qt::LeftButton, {}, at);
        QCOMPARE(fixture_->recordSet()->currentRow(), 4);
        QCOMPARE(grid->currentIndex().row(), 4);
        QCOMPARE(grid->currentIndex().column(), 1);
        QCOMPARE(grid->rowIndicator()->indicatorRow(), 4);
        QVERIFY(grid->hasFocus());
        QTest::mouseRelease(indicator, Qt::LeftButton, {}, at);
        QCOMPARE(detailBox()->toPlainText(), shown);
        QCOMPARE(fixture_->recordSet()->currentRow(), 4);
    }

    // Only the left button moves the record from the row indicator.
    void rowIndicatorOtherButtonsMoveNothing() {
        clickCell(1, 1);
        const auto [indicator, at] = spot(Spot::RowIndicator, 4);
        for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseClick(indicator, button, {}, at);
            QCOMPARE(fixture_->recordSet()->currentRow(), 1);
            QCOMPARE(fixture_->grid()->rowIndicator()->indicatorRow(), 1);
        }
    }

    void copy_data() {
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("notice");
        QTest::newRow("empty box") << QString() << u"untouched"_s << u"请选择一条信息再复制！"_s;
        QTest::newRow("lines") << u"甲\n【组成】乙"_s << u"甲\r\n【组成】乙"_s
                               << u"该信息已经拷贝到剪切板."_s;
        QTest::newRow("only spaces and breaks")
            << u" \n "_s << u" \r\n "_s << u"该信息已经拷贝到剪切板."_s;
    }
    void copy() {
        QFETCH(QString, boxText);
        QFETCH(QString, clipboard);
        QFETCH(QString, notice);
        QGuiApplication::clipboard()->setText(u"untouched"_s);
        detailBox()->setPlainText(boxText);
        // Part of the text selected: the whole text is copied all the same.
        QTextCursor cursor = detailBox()->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(qMin(1, int(boxText.size())), QTextCursor::KeepAnchor);
        detailBox()->setTextCursor(cursor);

        fixture_->click(u"Button_Copy");
        QCOMPARE(fixture_->boxes().texts(), QStringList{notice});
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
        if (!boxText.isEmpty())
            QCOMPARE(detailBox()->textCursor().selectedText().size(), boxText.size());
    }

    void copyTakesTheCellClickedAndWhatWasTyped() {
        clickCell(0, 1);
        detailBox()->moveCursor(QTextCursor::End);
        typeText(detailBox(), u"注"_s);
        fixture_->click(u"Button_Copy");
        const QString copied = QGuiApplication::clipboard()->text();
        QVERIFY(copied.endsWith(u"注"_s));
        QCOMPARE(copied, detailBox()->toPlainText().replace(u'\n', u"\r\n"_s));
    }

    void wheelStepsOneRecord_data() {
        QTest::addColumn<int>("startRow");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<int>("expectedRow");
        QTest::newRow("toward the user: next") << 5 << QPoint(0, -120) << 6;
        QTest::newRow("away from the user: previous") << 5 << QPoint(0, 120) << 4;
        QTest::newRow("no distance: no move") << 5 << QPoint(0, 0) << 5;
        // A sideways wheel has no direction to step in, whichever way it turns.
        QTest::newRow("sideways right: no move") << 5 << QPoint(120, 0) << 5;
        QTest::newRow("sideways left: no move") << 5 << QPoint(-120, 0) << 5;
        QTest::newRow("mostly sideways, a little toward the user: next")
            << 5 << QPoint(120, -8) << 6;
        QTest::newRow("three notches at once: one") << 5 << QPoint(0, -360) << 6;
        QTest::newRow("a fraction of a notch: one") << 5 << QPoint(0, -30) << 6;
        QTest::newRow("toward the user at the last") << 8029 << QPoint(0, -120) << 8029;
        QTest::newRow("away from the user at the first") << 0 << QPoint(0, 120) << 0;
    }
    void wheelStepsOneRecord() {
        QFETCH(int, startRow);
        QFETCH(QPoint, delta);
        QFETCH(int, expectedRow);
        if (startRow > 0)
            fixture_->recordSet()->moveBy(startRow);
        detailBox()->setPlainText(u"前一个"_s);
        turnWheel(fixture_->grid(), delta);
        QCOMPARE(fixture_->recordSet()->currentRow(), expectedRow);
        QCOMPARE(fixture_->grid()->currentIndex().row(), expectedRow);
        QCOMPARE(detailBox()->toPlainText(), u"前一个"_s);
        QVERIFY(fixture_->boxes().boxes().isEmpty());
    }

    // The wheel over any part of the list moves one record per message, and the list follows
    // the current record instead of scrolling on its own.
    void wheelOverEveryPartOfTheList_data() {
        QTest::addColumn<QString>("part");
        QTest::newRow("cells") << u"cells"_s;
        QTest::newRow("title row") << u"title row"_s;
        QTest::newRow("row indicator") << u"row indicator"_s;
        QTest::newRow("vertical scroll bar") << u"vertical scroll bar"_s;
        QTest::newRow("horizontal scroll bar") << u"horizontal scroll bar"_s;
    }
    void wheelOverEveryPartOfTheList() {
        QFETCH(QString, part);
        app::ListGrid* grid = fixture_->grid();
        const QHash<QString, QWidget*> parts{
            {u"cells"_s, grid->viewport()},
            {u"title row"_s, grid->horizontalHeader()->viewport()},
            {u"row indicator"_s, grid->verticalHeader()->viewport()},
            {u"vertical scroll bar"_s, grid->verticalScrollBar()},
            {u"horizontal scroll bar"_s, grid->horizontalScrollBar()}};
        QWidget* over = parts.value(part);
        const int firstShown = grid->rowAt(0);
        for (int notch = 0; notch < 3; ++notch)
            turnWheel(over, QPoint(0, -360));
        QCOMPARE(fixture_->recordSet()->currentRow(), 3);
        QCOMPARE(grid->rowAt(0), firstShown);
        turnWheel(over, QPoint(0, 120));
        turnWheel(over, QPoint(0, 0));
        QCOMPARE(fixture_->recordSet()->currentRow(), 2);
        QCOMPARE(grid->verticalHeader()->offset(),
                 grid->verticalScrollBar()->value() * grid->verticalHeader()->defaultSectionSize());

        // Far down the list, the view follows the current record.
        fixture_->recordSet()->moveBy(500);
        turnWheel(over, QPoint(0, -120));
        QCOMPARE(fixture_->recordSet()->currentRow(), 503);
        QVERIFY(grid->viewport()->rect().contains(
            grid->visualRect(grid->model()->index(503, 1)).center()));
    }

    void wheelOnClosedListReportsTheError() {
        fixture_->recordSet()->close();
        turnWheel(fixture_->grid(), QPoint(0, -120));
        QCOMPARE(fixture_->boxes().texts(),
                 QStringList{u"ADOQuery1: Cannot perform this operation on a closed dataset."_s});
        QCOMPARE(fixture_->boxes().boxes().first().icon, QMessageBox::Critical);
        QVERIFY(fixture_->form().isVisible());
    }

    void noWheelHookAfterFailedCreation() {
        fixture_.reset();
        auto failing = std::make_unique<FormFixture>();
        QVERIFY(QDir().mkdir(db::workingCopyPath()));
        failing->createForm();
        QCOMPARE(failing->boxes().texts(), QStringList{u"程序发生未知错误,请联系客服！"_s});
        failing->boxes().clear();
        turnWheel(failing->grid(), QPoint(0, -120));
        QVERIFY(failing->boxes().boxes().isEmpty());
    }

    void webLinks_data() {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("host");
        QTest::newRow("在线版本") << u"Button_Web"_s << u"www.dravena.example"_s;
        QTest::newRow("banner") << u"Image1"_s << u"www.dravena.example"_s;
        QTest::newRow("web-site label") << u"Label3"_s << u"www.dravena.example"_s;
        QTest::newRow("软件升级") << u"Button_Updata"_s << u"update.dravena.example"_s;
    }
    void webLinks() {
        QFETCH(QString, trigger);
        QFETCH(QString, host);
        QStringList opened;
        lookup::setUrlOpener([&](const QString& url) { opened.append(url); });
        const QString link = u"http://"_s + host + u"/?v=Vivazud"_s;

        clickTrigger(trigger);
        QCOMPARE(opened, QStringList{link + u"1.4.20160122"_s});

        // The version box as the user left it, unaltered; each click is a new request.
        auto* version = fixture_->child<QLineEdit>(u"Edit_SoftVer");
        fixture_->child<QTabWidget>(u"PageControl1")->setCurrentIndex(1);
        version->selectAll();
        typeText(version, u" 2.0&版 "_s);
        clickTrigger(trigger);
        clickTrigger(trigger);
        version->clear();
        clickTrigger(trigger);
        QCOMPARE(opened, (QStringList{link + u"1.4.20160122"_s, link + u" 2.0&版 "_s,
                                      link + u" 2.0&版 "_s, link}));
        QVERIFY(fixture_->boxes().boxes().isEmpty());
    }

    // What the desktop's opener receives, recorded by a stand-in for xdg-open found first on the
    // PATH: the link as built, byte for byte, whatever the version box holds.
    void linkReachesTheDesktopUnaltered_data() {
        QTest::addColumn<QString>("version");
        QTest::newRow("as at start") << u"1.4.20160122"_s;
        QTest::newRow("spaces and &") << u" 2.0 & beta "_s;
        QTest::newRow("Chinese") << u"新版本"_s;
        QTest::newRow("percent signs") << u"%20%E6%"_s;
        QTest::newRow("# and quotes") << u"1#2'\"3"_s;
        QTest::newRow("empty") << QString();
    }
    void linkReachesTheDesktopUnaltered() {
        QFETCH(QString, version);
        QTemporaryDir bin;
        const QString received = bin.filePath(u"received"_s);
        QFile opener(bin.filePath(u"xdg-open"_s));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.part\" && mv \"$0.part\" \"" +
                     QFile::encodeName(received) + "\"\n");
        opener.close();
        QVERIFY(opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);

        fixture_->child<QLineEdit>(u"Edit_SoftVer")->setText(version);
        clickTrigger(u"Button_Web"_s);
        qputenv("PATH", path);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(received), 30000);
        QFile link(received);
        QVERIFY(link.open(QIODevice::ReadOnly));
        QCOMPARE(link.readAll(), (u"http://www.dravena.example/?v=Vivazud"_s + version).toUtf8());
    }

private:
    QPlainTextEdit* detailBox() const { return fixture_->child<QPlainTextEdit>(u"Memo_Info"); }

    template <typename Predicate>
    int rowWhere(Predicate bodyMatches) const {
        const db::RecordSet* set = fixture_->recordSet();
        for (int row = 0; row < fixture_->grid()->model()->rowCount(); ++row) {
            if (bodyMatches(set->valueText(row, 2)))
                return row;
        }
        qFatal("no such remedy");
    }

    // A place in or around the list grid: the widget that receives the mouse there, and the
    // point in it.
    std::pair<QWidget*, QPoint> spot(Spot where, int row) const {
        app::ListGrid* grid = fixture_->grid();
        QHeaderView* titles = grid->horizontalHeader();
        switch (where) {
        case Spot::Cell:
            return {grid->viewport(), grid->visualRect(grid->model()->index(row, 1)).center()};
        case Spot::Title:
            return {titles->viewport(),
                    QPoint(titles->sectionViewportPosition(1) + 40, titles->height() / 2)};
        case Spot::ColumnBorder:
            return {titles->viewport(),
                    QPoint(titles->sectionViewportPosition(1) + titles->sectionSize(1) - 1,
                           titles->height() / 2)};
        case Spot::RowIndicator:
            return {grid->verticalHeader()->viewport(),
                    QPoint(grid->verticalHeader()->width() / 2,
                           grid->rowViewportPosition(row) + grid->rowHeight(row) / 2)};
        case Spot::Outside:
            return {detailBox(), detailBox()->rect().center()};
        }
        return {};
    }

    QString shownBody(int row) const {
        return lookup::FormatRemedyBody(fixture_->recordSet()->valueText(row, 2))
            .replace(u"\r\n"_s, u"\n"_s);
    }

    void clickCell(int row, int column) const {
        app::ListGrid* grid = fixture_->grid();
        const QModelIndex cell = grid->model()->index(row, column);
        grid->scrollTo(cell);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    }

    void clickTrigger(const QString& name) const {
        auto* pages = fixture_->child<QTabWidget>(u"PageControl1");
        QWidget* trigger = fixture_->child<QWidget>(name);
        if (name == u"Label3")
            pages->setCurrentIndex(1);
        QTest::mouseClick(trigger, Qt::LeftButton);
    }

    std::unique_ptr<FormFixture> fixture_;
};

VORLANTIX_WINDOW_TEST_MAIN(FormReaderTest)
#include "form_reader_test.moc"
