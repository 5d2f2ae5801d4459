#include "app/category_box.h"
#include "app/list_grid.h"
#include "app/panel_status_bar.h"
#include "assets/embedded_database.h"
#include "db/record_set.h"
#include "form_fixture.h"
#include "key_input.h"
#include "lookup/search.h"
#include "window_test_main.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The keyword search, the keyword box's clicks and the category box, through the window.
class FormSearchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedDatabase(); }
    void init() {
        fixture_ = std::make_unique<FormFixture>();
        fixture_->createForm();
        QVERIFY(fixture_->boxes().boxes().isEmpty());
        searched_.clear();
        // Every search statement the record set opens, by the keyword box's text at that time.
        db::RecordSet* set = fixture_->recordSet();
        QLineEdit* keyword = keywordBox();
        connect(set, &db::RecordSet::opened, set, [this, set, keyword] {
            if (set->sql().value(0).contains(u" where "_s))
                searched_.append(keyword->text());
        });
    }
    void cleanup() { fixture_.reset(); }

    void emptyKeywordOnlyTellsTheUser() {
        keywordBox()->clear();
        fixture_->click(u"Button_Search");
        QCOMPARE(fixture_->boxes().texts(), QStringList{u"请输入搜索关键词！"_s});
        QCOMPARE(fixture_->boxes().boxes().first().icon, QMessageBox::NoIcon);
        QVERIFY(searched_.isEmpty());
        QCOMPARE(fixture_->grid()->model()->rowCount(), 8030);
        QCOMPARE(fixture_->statusBar()->panelText(0), u"共8030条信息"_s);
        QCOMPARE(fixture_->recordSet()->sql(), QStringList{lookup::kListStatement.toString()});
    }

    void search_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<int>("hits"); // -1: some, but not all
        QTest::newRow("the prompt text finds nothing") << u"请输入搜索关键词"_s << 0;
        QTest::newRow("a category word") << u"补气"_s << -1;
        QTest::newRow("% matches every remedy") << u"%"_s << 8030;
        QTest::newRow("an apostrophe is matched literally") << u"补'气"_s << 0;
        QTest::newRow("Latin text without hits") << u"zzzz"_s << 0;
        // Only an empty keyword is refused: a space is a keyword like any other.
        QTest::newRow("a space") << u" "_s << -1;
        // The message shows the keyword as typed, placeholders of a text template included.
        QTest::newRow("a keyword holding %1") << u"%1"_s << -1;
        QTest::newRow("a keyword holding %2, no hits") << u"zz%2"_s << 0;
    }
    void search() {
        QFETCH(QString, keyword);
        QFETCH(int, hits);
        auto* detail = fixture_->child<QPlainTextEdit>(u"Memo_Info");
        detail->setPlainText(u"前一个方剂"_s);
        keywordBox()->setText(keyword);
        fixture_->click(u"Button_Search");

        QCOMPARE(searched_, QStringList{keyword});
        const QString message = fixture_->statusBar()->panelText(0);
        QVERIFY2(message.startsWith(u"关于"_s + keyword + u"的信息,共搜索到"_s),
                 qPrintable(message));
        if (hits == 0) {
            QCOMPARE(fixture_->boxes().texts(),
                     QStringList{u"对不起没有找到相关信息！请重新输入关键词"_s});
            QCOMPARE(message, u"关于"_s + keyword + u"的信息,共搜索到0条"_s);
            QCOMPARE(fixture_->recordSet()->sql(), QStringList{u"Select * from data"_s});
            QCOMPARE(fixture_->grid()->model()->rowCount(), 8030);
        } else {
            QVERIFY(fixture_->boxes().boxes().isEmpty());
            const int rows = fixture_->grid()->model()->rowCount();
            QCOMPARE(message,
                     u"关于"_s + keyword + u"的信息,共搜索到"_s + QString::number(rows) + u"条"_s);
            if (hits > 0)
                QCOMPARE(rows, hits);
            else
                QVERIFY(rows > 0 && rows < 8030);
        }
        QVERIFY(fixture_->grid()->isColumnHidden(0));
        QVERIFY(!fixture_->grid()->isColumnHidden(1));
        QVERIFY(fixture_->grid()->isColumnHidden(2));
        QCOMPARE(fixture_->grid()->columnWidth(1), 300);
        QCOMPARE(keywordBox()->text(), keyword);
        QCOMPARE(detail->toPlainText(), u"前一个方剂"_s);
    }

    void keywordBoxEmptiesOnEveryClick() {
        QLineEdit* box = keywordBox();
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->text(), QString());

        // A press that is released outside the box is no click.
        box->setText(u"补血"_s);
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(box->width() + 20, 5));
        QCOMPARE(box->text(), u"补血"_s);
        box->clear();

        typeText(box, u"补血"_s);
        QCOMPARE(box->text(), u"补血"_s);
        QTest::mouseClick(box, Qt::RightButton);
        QCOMPARE(box->text(), u"补血"_s);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(box->text(), QString());

        // A double-click empties at its first click and again at the double-click.
        box->setText(u"补血"_s);
        QTest::mouseDClick(box, Qt::LeftButton);
        QCOMPARE(box->text(), QString());

        // Tab into the box selects its text instead.
        box->setText(u"补血"_s);
        fixture_->child<QWidget>(u"Button_Search")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), box);
        QCOMPARE(box->text(), u"补血"_s);
        QCOMPARE(box->selectedText(), u"补血"_s);
    }

    void categoryPickedWithTheMouse() {
        app::CategoryBox* box = categoryBox();
        box->showPopup();
        QAbstractItemView* list = box->view();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        const QModelIndex entry = list->model()->index(2, 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(entry).center());
        QCOMPARE(searched_, QStringList{u"安神"_s});
        QCOMPARE(box->currentText(), u"安神"_s);
        QCOMPARE(keywordBox()->text(), u"安神"_s);
        QVERIFY(fixture_->statusBar()->panelText(0).startsWith(u"关于安神的信息"_s));
    }

    // Every pick runs a search, a second pick of the entry already selected included.
    void categoryPickedAgainWithTheMouse() {
        app::CategoryBox* box = categoryBox();
        for (int pick = 0; pick < 2; ++pick) {
            box->showPopup();
            QAbstractItemView* list = box->view();
            QVERIFY(QTest::qWaitForWindowExposed(list->window()));
            const QPoint at = list->visualRect(list->model()->index(2, 0)).center();
            QTest::mouseMove(list->viewport(), at);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTRY_VERIFY(!list->isVisible());
        }
        QCOMPARE(searched_, (QStringList{u"安神"_s, u"安神"_s}));
        QCOMPARE(box->currentText(), u"安神"_s);
    }

    // In the open list each arrow key picks the entry it moves to; Enter then closes the list
    // without picking that entry again.
    void categoryStepsThroughTheOpenList() {
        app::CategoryBox* box = categoryBox();
        QVERIFY(openCategoryList());
        QAbstractItemView* list = box->view();
        QTest::mouseMove(list->viewport(), list->visualRect(list->model()->index(5, 0)).center());
        QVERIFY(searched_.isEmpty());
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        const QStringList stepped = searched_;
        QCOMPARE(stepped.size(), 2);
        QCOMPARE(box->currentText(), stepped.last());
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(!list->isVisible());
        QCOMPARE(searched_, stepped);
    }

    // The open list shows the selected entry as its current one: reopened after keys stepped
    // through it and the text was typed to another entry, it runs no search of its own.
    void reopenedListSearchesNothing() {
        app::CategoryBox* box = categoryBox();
        QVERIFY(openCategoryList());
        QAbstractItemView* list = box->view();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Escape);
        QTRY_VERIFY(!list->isVisible());
        box->lineEdit()->selectAll();
        typeText(box, u"脱"_s);
        const QStringList before = searched_;
        QCOMPARE(before.last(), u"脱发"_s);
        box->showPopup();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        QCOMPARE(list->currentIndex().row(), 12);
        QCOMPARE(searched_, before);
        box->hidePopup();
    }

    void categoryStepsWithArrowKeys() {
        app::CategoryBox* box = categoryBox();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_Up);
        QTest::keyClick(box, Qt::Key_Up); // at the first entry: no change, no search
        QCOMPARE(searched_, (QStringList{u"补气"_s, u"补血"_s, u"补气"_s}));
        QCOMPARE(box->currentText(), u"补气"_s);
    }

    // Keys typed into the category box, starting from its text selected in full, and the
    // keywords searched on the way.
    void categoryTyping_data() {
        QTest::addColumn<QStringList>("keys"); // text, or "<BS>" for Backspace
        QTest::addColumn<QStringList>("searched");
        QTest::addColumn<QString>("finalText");
        QTest::newRow("a character completes to an entry")
            << QStringList{u"补"_s} << QStringList{u"补气"_s} << u"补气"_s;
        QTest::newRow("the next character completes to another")
            << QStringList{u"补"_s, u"血"_s} << QStringList{u"补气"_s, u"补血"_s} << u"补血"_s;
        QTest::newRow("text that begins no entry, at every character")
            << QStringList{u"x"_s, u"y"_s} << QStringList{u"x"_s, u"xy"_s} << u"xy"_s;
        QTest::newRow("backspace to empty searches nothing at the end")
            << QStringList{u"补"_s, u"<BS>"_s, u"<BS>"_s} << QStringList{u"补气"_s, u"补"_s}
            << QString();
        QTest::newRow("retyping an entry after editing it searches it again")
            << QStringList{u"补"_s, u"<BS>"_s, u"<BS>"_s, u"补"_s}
            << QStringList{u"补气"_s, u"补"_s, u"补气"_s} << u"补气"_s;
        QTest::newRow("the caption itself is not searched")
            << QStringList{u"分"_s, u"类"_s, u"查"_s, u"看"_s}
            << QStringList{u"分"_s, u"分类"_s, u"分类查"_s} << u"分类查看"_s;
    }
    void categoryTyping() {
        QFETCH(QStringList, keys);
        QFETCH(QStringList, searched);
        QFETCH(QString, finalText);
        app::CategoryBox* box = categoryBox();
        box->setFocus();
        box->lineEdit()->selectAll();
        for (const QString& key : keys) {
            if (key == u"<BS>")
                QTest::keyClick(box, Qt::Key_Backspace);
            else
                typeText(box, key);
        }
        QCOMPARE(searched_, searched);
        QCOMPARE(box->currentText(), finalText);
    }

    void textFromAnInputMethodCountsAsTyped() {
        app::CategoryBox* box = categoryBox();
        box->setFocus();
        box->lineEdit()->selectAll();
        QInputMethodEvent composing(u"bu"_s, {});
        QApplication::sendEvent(box, &composing);
        QVERIFY(searched_.isEmpty());
        QInputMethodEvent committed;
        committed.setCommitString(u"补"_s);
        QApplication::sendEvent(box, &committed);
        QCOMPARE(searched_, QStringList{u"补气"_s});
        QCOMPARE(box->currentText(), u"补气"_s);
    }

    void completingToTheSelectedEntryDoesNotSearchAgain() {
        app::CategoryBox* box = categoryBox();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        box->lineEdit()->selectAll();
        typeText(box, u"补"_s);
        QCOMPARE(searched_, QStringList{u"补气"_s});
        QCOMPARE(box->lineEdit()->selectedText(), u"气"_s);
    }

    void categoryEditsByCutAndPasteOnly() {
        app::CategoryBox* box = categoryBox();
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"分类查看"_s);
        QCOMPARE(box->currentText(), QString());
        QGuiApplication::clipboard()->setText(u"脱发"_s);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(searched_, QStringList{u"脱发"_s});
        // Neither Enter nor leaving the box counts as a pick of the entry the text names.
        QTest::keyClick(box, Qt::Key_Return);
        keywordBox()->setFocus();
        QCOMPARE(searched_, QStringList{u"脱发"_s});
    }

    // Every route by which the category box's text field changes reports the change, and the
    // search follows the text the field then shows. Keys go to the box (the focus widget), the
    // mouse and drops to its text field.
    void categoryFieldEditsByEveryRoute_data() {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("start"); // the field's text, caret at the end
        QTest::addColumn<QString>("expected");
        QTest::newRow("keypad Delete") << u"keypad Delete"_s << u"ab cd"_s << u"b cd"_s;
        QTest::newRow("Shift+Backspace") << u"Shift+Backspace"_s << u"ab cd"_s << u"ab c"_s;
        QTest::newRow("Ctrl+Backspace") << u"Ctrl+Backspace"_s << u"ab cd"_s << u"ab "_s;
        QTest::newRow("Ctrl+Delete") << u"Ctrl+Delete"_s << u"ab cd"_s << u"cd"_s;
        QTest::newRow("undo") << u"undo"_s << u"ab cd"_s << u"ab cd"_s;
        QTest::newRow("redo") << u"redo"_s << u"ab cd"_s << u"ab c"_s;
        QTest::newRow("menu Delete") << u"menu Delete"_s << u"ab cd"_s << QString();
        QTest::newRow("menu Paste") << u"menu &Paste"_s << u"ab cd"_s << u"痔疮"_s;
        QTest::newRow("Shift+Insert") << u"Shift+Insert"_s << u"ab "_s << u"ab 痔疮"_s;
        // A character typed with the Meta key held goes to the field as it is, uncompleted.
        QTest::newRow("Meta+character") << u"Meta+character"_s << QString() << u"痔"_s;
        QTest::newRow("menu Cut") << u"menu Cu&t"_s << u"ab cd"_s << QString();
        QTest::newRow("menu key, Paste") << u"menu key &Paste"_s << u"ab cd"_s << u"痔疮"_s;
        QTest::newRow("middle click") << u"middle click"_s << u"ab "_s << u"ab 痔疮"_s;
        QTest::newRow("drop") << u"drop"_s << u"ab "_s << u"ab 痔疮"_s;
        QTest::newRow("input method") << u"input method"_s << u"ab "_s << u"ab zz"_s;
    }
    void categoryFieldEditsByEveryRoute() {
        QFETCH(QString, route);
        QFETCH(QString, start);
        QFETCH(QString, expected);
        app::CategoryBox* box = categoryBox();
        QLineEdit* field = box->lineEdit();
        box->setFocus();
        field->setText(start);
        QGuiApplication::clipboard()->setText(u"痔疮\n第二行"_s);
        if (route.startsWith(u"menu "))
            field->selectAll();

        if (route == u"keypad Delete") {
            field->setCursorPosition(0);
            QTest::keyClick(box, Qt::Key_Delete, Qt::KeypadModifier);
        } else if (route == u"Shift+Backspace") {
            QTest::keyClick(box, Qt::Key_Backspace, Qt::ShiftModifier);
        } else if (route == u"Ctrl+Backspace") {
            QTest::keyClick(box, Qt::Key_Backspace, Qt::ControlModifier);
        } else if (route == u"Ctrl+Delete") {
            field->setCursorPosition(0);
            QTest::keyClick(box, Qt::Key_Delete, Qt::ControlModifier);
        } else if (route == u"undo" || route == u"redo") {
            QTest::keyClick(box, Qt::Key_Backspace);
            QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
            if (route == u"redo")
                QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        } else if (route == u"Shift+Insert") {
            QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
        } else if (route == u"Meta+character") {
            QTest::sendKeyEvent(QTest::KeyAction::Click, box, Qt::Key_unknown, u"痔"_s,
                                Qt::MetaModifier);
        } else if (route.startsWith(u"menu key ")) {
            chooseFromEditMenu(box, route.mid(9).toLatin1().constData(),
                               QContextMenuEvent::Keyboard);
        } else if (route.startsWith(u"menu ")) {
            chooseFromEditMenu(field, route.mid(5).toLatin1().constData());
        } else if (route == u"middle click") {
            if (!QGuiApplication::clipboard()->supportsSelection())
                QSKIP("this platform has no X selection to paste from");
            QGuiApplication::clipboard()->setText(u"痔疮\n第二行"_s, QClipboard::Selection);
            QTest::mouseClick(field, Qt::MiddleButton, {}, QPoint(field->width() - 2, 5));
        } else if (route == u"drop") {
            dropText(field, u"痔疮\n第二行"_s);
        } else {
            QInputMethodEvent committed;
            committed.setCommitString(u"zz"_s);
            QApplication::sendEvent(box, &committed);
        }

        QCOMPARE(box->currentText(), expected);
        QVERIFY(!searched_.isEmpty() || expected.isEmpty());
        if (!expected.isEmpty()) {
            QCOMPARE(searched_.last(), expected);
            QCOMPARE(keywordBox()->text(), expected);
        }
        QCOMPARE(box->selectedEntry(), -1);
    }

    // A paste into the keyword box, by every route, takes the text up to its first line break.
    void keywordPasteTakesTheFirstLine_data() {
        QTest::addColumn<QString>("route");
        QTest::newRow("Ctrl+V") << u"Ctrl+V"_s;
        QTest::newRow("Shift+Insert") << u"Shift+Insert"_s;
        QTest::newRow("menu Paste") << u"menu"_s;
        QTest::newRow("middle click") << u"middle click"_s;
        QTest::newRow("drop") << u"drop"_s;
    }
    void keywordPasteTakesTheFirstLine() {
        QFETCH(QString, route);
        QLineEdit* box = keywordBox();
        box->setText(u"关键"_s);
        box->setFocus();
        box->end(false);
        const QString pasted = u"词\r\n第二行\n第三行"_s;
        QGuiApplication::clipboard()->setText(pasted);
        if (route == u"Ctrl+V") {
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        } else if (route == u"Shift+Insert") {
            QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
        } else if (route == u"menu") {
            chooseFromEditMenu(box, "&Paste");
        } else if (route == u"middle click") {
            if (!QGuiApplication::clipboard()->supportsSelection())
                QSKIP("this platform has no X selection to paste from");
            QGuiApplication::clipboard()->setText(pasted, QClipboard::Selection);
            QTest::mouseClick(box, Qt::MiddleButton, {}, QPoint(box->width() - 2, 5));
        } else {
            dropText(box, pasted);
        }
        QCOMPARE(box->text(), u"关键词"_s);
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->text(), u"关键"_s);
    }

    // Pasting an empty clipboard over a selection deletes the selection, as typing would.
    void keywordPasteOfNothingReplacesTheSelection() {
        QLineEdit* box = keywordBox();
        box->setText(u"关键词"_s);
        box->setFocus();
        box->setSelection(0, 2);
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->text(), u"词"_s);
        // A clipboard whose first line is empty pastes that empty line.
        box->selectAll();
        QGuiApplication::clipboard()->setText(u"\n第二行"_s);
        QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(box->text(), QString());
    }

private:
    // Gives the category box the focus and opens its list, as its drop-down button does.
    bool openCategoryList() {
        app::CategoryBox* box = categoryBox();
        box->setFocus();
        box->showPopup();
        return QTest::qWaitForWindowExposed(box->view()->window());
    }

    // Opens the edit menu on `target` with a right click (or the menu key, sent to the focus
    // widget) and clicks its item `actionName`, as Qt's source text names it.
    static void chooseFromEditMenu(QWidget* target, const char* actionName,
                                   QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse) {
        bool chosen = false;
        QTimer::singleShot(0, target, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr)
                return;
            const QList<QAction*> actions = menu->actions();
            const auto action = std::find_if(actions.cbegin(), actions.cend(), [&](QAction* item) {
                return item->text().section(u'\t', 0, 0) ==
                       QCoreApplication::translate("QLineEdit", actionName);
            });
            if (action == actions.cend() || !(*action)->isEnabled()) {
                menu->close();
                return;
            }
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(*action).center());
            chosen = true;
        });
        // What Qt makes of a right click or the menu key (QTest's click does not make it).
        const QPoint at(5, 5);
        QContextMenuEvent request(reason, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &request);
        QTRY_VERIFY2(chosen, "no edit menu with that item");
    }

    // Drags `text` in from elsewhere and drops it at the end of `field`.
    static void dropText(QLineEdit* field, const QString& text) {
        QMimeData data;
        data.setText(text);
        const QPointF at(field->width() - 2, field->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(field, &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(field, &move);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(field, &drop);
    }

    QLineEdit* keywordBox() const { return fixture_->child<QLineEdit>(u"searchkeyword"); }
    app::CategoryBox* categoryBox() const {
        return fixture_->child<app::CategoryBox>(u"ComboBox_Class");
    }

    std::unique_ptr<FormFixture> fixture_;
    QStringList searched_;
};

VORLANTIX_WINDOW_TEST_MAIN(FormSearchTest)
#include "form_search_test.moc"
