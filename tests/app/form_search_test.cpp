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
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

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
            QCOMPARE(message, u"关于%1的信息,共搜索到%2条"_s.arg(keyword).arg(rows));
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

    // In the open list each arrow key picks the entry it moves to; Enter then closes the list
    // without picking that entry again.
    void categoryStepsThroughTheOpenList() {
        app::CategoryBox* box = categoryBox();
        box->setFocus();
        box->showPopup();
        QAbstractItemView* list = box->view();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
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

private:
    QLineEdit* keywordBox() const { return fixture_->child<QLineEdit>(u"searchkeyword"); }
    app::CategoryBox* categoryBox() const {
        return fixture_->child<app::CategoryBox>(u"ComboBox_Class");
    }

    std::unique_ptr<FormFixture> fixture_;
    QStringList searched_;
};

VORLANTIX_WINDOW_TEST_MAIN(FormSearchTest)
#include "form_search_test.moc"
