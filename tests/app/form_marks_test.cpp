#include "app/list_grid.h"
#include "app/marked_cell_delegate.h"
#include "assets/embedded_database.h"
#include "db/record_set.h"
#include "form_fixture.h"
#include "key_input.h"
#include "lookup/format_remedy_body.h"
#include "tests/db/like_reference.h"
#include "window_test_main.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QBitArray>
#include <QClipboard>
#include <QComboBox>
#include <QHash>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int begin;
    int end;
    friend bool operator==(const Run&, const Run&) = default;
};
using Runs = QList<Run>;

QString written(const Runs& runs) {
    QStringList parts;
    for (const Run& run : runs)
        parts << u"[%1,%2)"_s.arg(run.begin).arg(run.end);
    return parts.join(u' ');
}

// Where a keyword without wildcards stands, found as plain text: left to right, not overlapping,
// touching runs joined, as they are drawn.
Runs plainRuns(const QString& text, const QString& keyword) {
    Runs runs;
    for (qsizetype at = text.indexOf(keyword, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(keyword, at + keyword.size(), Qt::CaseInsensitive)) {
        const int begin = static_cast<int>(at);
        const int end = static_cast<int>(at + keyword.size());
        if (!runs.isEmpty() && runs.back().end == begin)
            runs.back().end = end;
        else
            runs.append({begin, end});
    }
    return runs;
}

// Whether a pixel is of the marks' yellow to orange, and not of the white, grey or blue around
// them; on a selected cell, whose background is the style's yellow, the marks' deeper orange.
bool isMarkColour(QRgb pixel, bool onSelection) {
    if (onSelection)
        return qRed(pixel) >= 0xe8 && qGreen(pixel) <= 0xa8 && qGreen(pixel) >= 0x70 &&
               qBlue(pixel) <= 0x48;
    return qRed(pixel) >= 0xe8 && qGreen(pixel) >= 0x80 && qBlue(pixel) <= 0x90;
}

// How a character of the detail box is drawn, read from the background between its strokes: '.'
// the box's own, 's' the selection's, 'm' a mark's yellow to orange, 'M' the deeper orange of a
// mark under the selection, '?' none of them. Each pixel of the character's cell counts for the
// look it has; the look most pixels have wins.
QChar lookOf(const QImage& drawn, const QRect& cell, QRgb base, QRgb selection) {
    const auto look = [base, selection](QRgb pixel) {
        if (pixel == base)
            return u'.';
        if (pixel == selection)
            return u's';
        if (qRed(pixel) >= 0xe8 && qGreen(pixel) >= 0x80 && qGreen(pixel) <= 0xb0 &&
            qBlue(pixel) <= 0x40)
            return u'M';
        if (qRed(pixel) >= 0xf8 && qGreen(pixel) >= 0xc0 && qGreen(pixel) <= 0xe8 &&
            qBlue(pixel) >= 0x48 && qBlue(pixel) <= 0x90)
            return u'm';
        return u'?';
    };
    QHash<QChar, int> counts;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x)
            ++counts[look(drawn.pixel(x, y))];
    }
    counts.remove(u'?');
    const auto most = std::max_element(counts.cbegin(), counts.cend());
    return most == counts.cend() ? u'?' : most.key();
}

} // namespace

// The searched keyword marked where it stands, in the detail box and in the list, read back from
// the window: the detail box's overlay formats, the list's marked runs and what it draws.
class FormMarksTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerEmbeddedDatabase(); }
    void init() {
        fixture_ = std::make_unique<FormFixture>();
        fixture_->createForm();
    }
    void cleanup() {
        fixture_.reset();
        // The style comes back once the window has gone, so that no widget of it is polished
        // anew while it is taken down.
        if (restoredStyleSheet_) {
            qApp->setStyleSheet(*restoredStyleSheet_);
            restoredStyleSheet_.reset();
        }
    }

    void remedyMarks_data() {
        QTest::addColumn<QString>("keyword");
        QTest::newRow("a word") << u"丸"_s;
        QTest::newRow("two characters") << u"补气"_s;
        QTest::newRow("an underscore") << u"酒_"_s;
        QTest::newRow("a percent inside") << u"来源%卷"_s;
        QTest::newRow("a section heading with its brackets") << u"【组成】"_s;
        // From one section's heading into the next line's: the line break is marked with the rest.
        QTest::newRow("a percent across a line break") << u"】%【"_s;
    }
    // The shown remedy marked where the keyword's pattern matches, and nothing else changed.
    void remedyMarks() {
        QFETCH(QString, keyword);
        search(keyword);
        QVERIFY(fixture_->boxes().boxes().isEmpty());
        clickCell(0);
        const QString shown = detailBox()->toPlainText();
        const QString expected = lookup::FormatRemedyBody(fixture_->recordSet()->fieldText(2))
                                     .replace(u"\r\n"_s, u"\n"_s);
        QCOMPARE(shown, expected);
        const Runs runs = marks();
        QVERIFY(!runs.isEmpty());
        if (!keyword.contains(u'_') && !keyword.contains(u'%')) {
            QVERIFY2(runs == plainRuns(shown, keyword), qPrintable(written(runs)));
        } else {
            bool acrossLines = false;
            for (const Run& run : runs) {
                const QString marked = shown.mid(run.begin, run.end - run.begin);
                QVERIFY2(like_reference::matches(keyword, marked), qPrintable(marked));
                acrossLines = acrossLines || marked.contains(u'\n');
            }
            QVERIFY(acrossLines || keyword != u"】%【"_s);
        }
        // The marks are no part of the text, nor of its editing.
        QVERIFY(!detailBox()->document()->isUndoAvailable());
        QVERIFY(!detailBox()->textCursor().hasSelection());
        QCOMPARE(detailBox()->textCursor().position(), 0);
        QCOMPARE(detailBox()->verticalScrollBar()->value(), 0);
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(detailBox());
        QVERIFY(reader != nullptr && reader->textInterface() != nullptr);
        QCOMPARE(reader->textInterface()->text(0, reader->textInterface()->characterCount()),
                 shown);
        fixture_->click(u"Button_Copy");
        QCOMPARE(QGuiApplication::clipboard()->text(), QString(shown).replace(u'\n', u"\r\n"_s));
        QCOMPARE(detailBox()->toPlainText(), shown);
        QCOMPARE(marks(), runs);
    }

    // What the box showed before the search, and what the user types, is marked too; an edit keeps
    // the marks where the keyword still stands.
    void marksFollowTheText() {
        clickCell(0);
        const QString shown = detailBox()->toPlainText();
        QVERIFY(marks().isEmpty()); // the full list marks nothing
        const QString keyword = shown.mid(1, 2);
        search(keyword);
        QCOMPARE(detailBox()->toPlainText(), shown);
        QCOMPARE(marks(), plainRuns(shown, keyword));

        detailBox()->setPlainText(u"甲乙"_s);
        QVERIFY(marks().isEmpty());
        detailBox()->moveCursor(QTextCursor::End);
        QTest::keyClick(detailBox(), Qt::Key_Return);
        typeText(detailBox(), keyword + u"丙"_s);
        QCOMPARE(marks(), (Runs{{3, 5}}));
        // A line break typed into the keyword splits it: no mark is left.
        QTextCursor cursor = detailBox()->textCursor();
        cursor.setPosition(4);
        detailBox()->setTextCursor(cursor);
        QTest::keyClick(detailBox(), Qt::Key_Return);
        QVERIFY(marks().isEmpty());
        QVERIFY(detailBox()->document()->isUndoAvailable());
        detailBox()->undo();
        QCOMPARE(detailBox()->toPlainText(), u"甲乙\n"_s + keyword + u"丙"_s);
        QCOMPARE(marks(), (Runs{{3, 5}}));
    }

    void marksOnlyWhileTheSetHoldsASearch_data() {
        QTest::addColumn<QString>("after");
        QTest::newRow("refresh") << u"refresh"_s;
        QTest::newRow("a search without hits") << u"no hits"_s;
        QTest::newRow("another search") << u"search"_s;
        QTest::newRow("a category pick") << u"category"_s;
    }
    void marksOnlyWhileTheSetHoldsASearch() {
        QFETCH(QString, after);
        search(u"丸"_s);
        detailBox()->setPlainText(u"丸，补气丸"_s);
        QCOMPARE(marks(), (Runs{{0, 1}, {4, 5}}));
        if (after == u"refresh") {
            fixture_->click(u"Button_Refresh");
            QVERIFY(marks().isEmpty());
        } else if (after == u"no hits") {
            // The box keeps its text; the full table that the set falls back to marks nothing.
            detailBox()->setPlainText(u"丸 zzqq"_s);
            search(u"zzqq"_s);
            QCOMPARE(fixture_->boxes().texts().size(), 1);
            QCOMPARE(fixture_->recordSet()->sql(), QStringList{u"Select * from data"_s});
            QVERIFY(marks().isEmpty());
            QVERIFY(cellMarks(0).isEmpty());
        } else if (after == u"search") {
            search(u"补气"_s);
            QCOMPARE(marks(), (Runs{{2, 4}}));
        } else {
            auto* box = fixture_->child<QComboBox>(u"ComboBox_Class");
            const int entry = box->findText(u"补气"_s);
            QVERIFY(entry >= 0);
            box->showPopup();
            QAbstractItemView* list = box->view();
            QVERIFY(QTest::qWaitForWindowExposed(list->window()));
            const QRect place = list->visualRect(list->model()->index(entry, 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
            QCOMPARE(fixture_->child<QLineEdit>(u"searchkeyword")->text(), u"补气"_s);
            QCOMPARE(marks(), (Runs{{2, 4}}));
        }
    }

    void listMarksTitles_data() {
        QTest::addColumn<bool>("plainLook");
        QTest::newRow("under the style") << false;
        QTest::newRow("in the plain look") << true;
    }
    // The list marks the keyword in the titles it shows, and draws the marks in the cells, the
    // current one among them; the titles' text is untouched.
    void listMarksTitles() {
        QFETCH(bool, plainLook);
        if (plainLook)
            usePlainLook();
        search(u"丸"_s);
        const QAbstractItemModel* model = fixture_->grid()->model();
        int marked = 0;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QString title = model->index(row, 1).data().toString();
            QCOMPARE(cellMarks(row), plainRuns(title, u"丸"_s));
            marked += title.contains(u'丸') ? 1 : 0;
        }
        QVERIFY(marked > 0);
        QCOMPARE(cellMarks(0, 0), Runs{}); // the number's column is not searched

        // A row that is not the current one, whose cell is not drawn selected.
        const int row = firstRowWhereTitleHas(u"丸"_s, 1);
        const int other = firstRowWhereTitleHas(QString(), row);
        QVERIFY(drawsMarks(row));
        QVERIFY(!drawsMarks(other));
        QVERIFY(!drawsMarks(row, true));
        clickCell(row); // the current row's cell, drawn selected
        QVERIFY(drawsMarks(row, true));

        fixture_->click(u"Button_Refresh");
        QVERIFY(cellMarks(row).isEmpty());
        QVERIFY(!drawsMarks(row));
    }

    // A title cut short by a narrow column shows an ellipsis in place of its end; a mark in the
    // part cut off is not drawn, not even on the ellipsis. The title's only mark is its last two
    // characters, which the ellipsis takes the place of at the first cut.
    void narrowColumnMarksOnlyWhatIsShown() {
        app::ListGrid* grid = fixture_->grid();
        const QAbstractItemModel* model = grid->model();
        QString number;
        const auto rowOf = [&] {
            int row = 0;
            while (model->index(row, 0).data().toString() != number)
                ++row;
            return row;
        };
        // The title's row must not be the current one, whose cell is drawn selected: its search
        // needs another hit.
        int end = 0;
        for (int found = 1;; ++found) {
            search(u"丸"_s);
            found = firstRowWhereTitleHas(u"丸"_s, found);
            const QString title = model->index(found, 1).data().toString();
            number = model->index(found, 0).data().toString();
            end = static_cast<int>(title.size());
            search(title.right(2));
            if (model->rowCount() > 1 && cellMarks(rowOf()) == Runs{{end - 2, end}})
                break;
        }
        const int row = rowOf();
        clickCell(row == 0 ? 1 : 0);
        const int fullWidth = grid->columnWidth(1);
        const auto drawnAtEachWidth = [&](int shownRow) {
            QList<QImage> drawn;
            for (int width = fullWidth; width >= 20; --width) {
                grid->setColumnWidth(1, width);
                const QModelIndex cell = model->index(shownRow, 1);
                grid->scrollTo(cell);
                drawn << grid->viewport()->grab(grid->visualRect(cell)).toImage();
            }
            return drawn;
        };
        const QList<QImage> marked = drawnAtEachWidth(row);

        // The same title unmarked tells what the cut changes: the pixel columns drawn otherwise
        // than in the whole title are the ellipsis's, where no mark may stand.
        fixture_->click(u"Button_Refresh");
        const int unmarkedRow = rowOf();
        clickCell(unmarkedRow == 0 ? 1 : 0);
        const QList<QImage> unmarked = drawnAtEachWidth(unmarkedRow);
        const QImage& whole = unmarked.front();
        int cutWidths = 0;
        for (qsizetype i = 0; i < unmarked.size(); ++i) {
            const QImage& cut = unmarked[i];
            const int width = std::min(cut.width(), whole.width()) - 4;
            bool titleCut = false;
            for (int x = 0; x < width; ++x) {
                bool columnAsWhole = true;
                for (int y = 0; y < cut.height(); ++y)
                    columnAsWhole = columnAsWhole && cut.pixel(x, y) == whole.pixel(x, y);
                titleCut = titleCut || !columnAsWhole;
                for (int y = 0; y < cut.height() && !columnAsWhole; ++y)
                    QVERIFY2(
                        !isMarkColour(marked[i].pixel(x, y), false),
                        qPrintable(u"a mark on the ellipsis at width %1"_s.arg(fullWidth - i)));
            }
            if (!titleCut)
                QVERIFY(countMarkPixels(marked[i]) >= 20);
            cutWidths += titleCut ? 1 : 0;
        }
        QVERIFY(cutWidths > 0);
    }

    void marksUnderASelection_data() {
        QTest::addColumn<bool>("plainLook");
        QTest::addColumn<bool>("byMouse");
        QTest::addColumn<int>("linesAbove");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("looks");
        // The box's last line is 甲补气乙丙丁补气戊己庚补气辛, 补气 marked at 1, 6 and 11 of it;
        // above it, lines without a mark, scrolled out of sight.
        for (const bool plainLook : {false, true}) {
            const char* look = plainLook ? "in the plain look" : "under the style";
            QTest::addRow("mouse, two marks of three, %s", look)
                << plainLook << true << 0 << 0 << 10 << u"sMMsssMMss.mm."_s;
            QTest::addRow("Shift+arrows, two marks of three, %s", look)
                << plainLook << false << 0 << 0 << 10 << u"sMMsssMMss.mm."_s;
            QTest::addRow("Shift+arrows, ending inside a mark, %s", look)
                << plainLook << false << 0 << 0 << 7 << u"sMMsssMm...mm."_s;
            QTest::addRow("mouse backwards, from inside a mark into one, %s", look)
                << plainLook << true << 0 << 12 << 7 << u".mm...mMsssMm."_s;
            QTest::addRow("mouse, scrolled down, %s", look)
                << plainLook << true << 20 << 2 << 12 << u".mMsssMMsssMm."_s;
        }
    }
    // Under the user's selection a mark is drawn in the deeper orange of a mark on the list's
    // current row, with the selection around it; outside the selection as ever. Nothing of the
    // text, the selection or what is copied changes.
    void marksUnderASelection() {
        QFETCH(bool, plainLook);
        QFETCH(bool, byMouse);
        QFETCH(int, linesAbove);
        QFETCH(int, anchor);
        QFETCH(int, position);
        QFETCH(QString, looks);
        if (plainLook)
            usePlainLook();
        search(u"补气"_s);
        QPlainTextEdit* box = detailBox();
        const int line = 2 * linesAbove;
        const QString text = u"丙\n"_s.repeated(linesAbove) + u"甲补气乙丙丁补气戊己庚补气辛"_s;
        box->setPlainText(text);
        const Runs runs{{line + 1, line + 3}, {line + 6, line + 8}, {line + 11, line + 13}};
        QCOMPARE(marks(), runs);
        QScrollBar* scrolling = box->verticalScrollBar();
        scrolling->setValue(scrolling->maximum());
        const int scrolled = scrolling->value();
        QCOMPARE(scrolled > 0, linesAbove > 0);
        anchor += line;
        position += line;
        const QImage unselected = box->viewport()->grab().toImage();
        QCOMPARE(looksOf(line), u".mm...mm...mm."_s);

        QWidget* viewport = box->viewport();
        const auto boundary = [box](int at) {
            QTextCursor cursor(box->document());
            cursor.setPosition(at);
            return box->cursorRect(cursor).center();
        };
        QTest::mousePress(viewport, Qt::LeftButton, {}, boundary(anchor));
        if (byMouse) {
            QTest::mouseMove(viewport, boundary(position));
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, boundary(position));
        } else {
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, boundary(anchor));
            for (int at = anchor; at != position; at += position > anchor ? 1 : -1)
                QTest::keyClick(box, position > anchor ? Qt::Key_Right : Qt::Key_Left,
                                Qt::ShiftModifier);
        }
        QCOMPARE(box->textCursor().anchor(), anchor);
        QCOMPARE(box->textCursor().position(), position);
        QCOMPARE(looksOf(line), looks);
        // The selected marks' characters are drawn as before, where they were, once.
        for (qsizetype at = looks.indexOf(u'M'); at >= 0; at = looks.indexOf(u'M', at + 1))
            QCOMPARE(strokesOf(box->viewport()->grab().toImage(), line + int(at)),
                     strokesOf(unselected, line + int(at)));
        QCOMPARE(scrolling->value(), scrolled);
        QCOMPARE(box->toPlainText(), text);
        // A screen reader reads the text and the selection as they are.
        QAccessibleTextInterface* reader =
            QAccessible::queryAccessibleInterface(box)->textInterface();
        QVERIFY(reader != nullptr);
        QCOMPARE(reader->text(0, reader->characterCount()), text);
        int selectionStart = -1;
        int selectionEnd = -1;
        reader->selection(0, &selectionStart, &selectionEnd);
        QCOMPARE(selectionStart, std::min(anchor, position));
        QCOMPARE(selectionEnd, std::max(anchor, position));
        QCOMPARE(marks(), runs);
        QVERIFY(!box->document()->isUndoAvailable());

        // The selected characters copied are the text's own.
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 text.mid(std::min(anchor, position), std::abs(position - anchor)));
        // 复制 selects the whole text: every mark is drawn selected.
        fixture_->click(u"Button_Copy");
        QCOMPARE(QGuiApplication::clipboard()->text(), QString(text).replace(u'\n', u"\r\n"_s));
        QCOMPARE(looksOf(line), u"sMMsssMMsssMMs"_s);
        QCOMPARE(box->toPlainText(), text);
        QCOMPARE(marks(), runs);
    }

    // A mark across a line break under the selection: the line's end is drawn as a selected mark
    // too, as the mark and the selection each draw it.
    void markAcrossALineBreakUnderASelection() {
        search(u"补%气"_s);
        QPlainTextEdit* box = detailBox();
        box->setPlainText(u"甲补\n气乙"_s);
        QCOMPARE(marks(), (Runs{{1, 4}}));
        QCOMPARE(looksOf(0), u".mmm."_s);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(box->textCursor().selectionEnd() - box->textCursor().selectionStart(), 5);
        QCOMPARE(looksOf(0), u"sMMMs"_s);
        QCOMPARE(box->toPlainText(), u"甲补\n气乙"_s);
    }

private:
    // The window without the style sheet, until the test's end.
    void usePlainLook() {
        restoredStyleSheet_ = qApp->styleSheet();
        qApp->setStyleSheet(QString());
    }

    QPlainTextEdit* detailBox() const { return fixture_->child<QPlainTextEdit>(u"Memo_Info"); }

    void search(const QString& keyword) {
        fixture_->child<QLineEdit>(u"searchkeyword")->setText(keyword);
        fixture_->click(u"Button_Search");
    }

    void clickCell(int row) const {
        app::ListGrid* grid = fixture_->grid();
        const QModelIndex cell = grid->model()->index(row, 1);
        grid->scrollTo(cell);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    }

    // The detail box's marks, as its overlay holds them.
    Runs marks() const {
        Runs runs;
        for (const QTextEdit::ExtraSelection& selection : detailBox()->extraSelections())
            runs.append({selection.cursor.selectionStart(), selection.cursor.selectionEnd()});
        return runs;
    }

    // The cell of the character at `at` of the detail box's viewport, clear of the caret on
    // either side; of a line break, the first pixels right of the line's end.
    QRect characterCell(int at) const {
        QPlainTextEdit* box = detailBox();
        QTextCursor cursor(box->document());
        cursor.setPosition(at);
        const QRect from = box->cursorRect(cursor);
        if (box->document()->characterAt(at) == QChar::ParagraphSeparator)
            return {from.x() + 1, from.top(), 2, from.height()};
        cursor.setPosition(at + 1);
        const QRect to = box->cursorRect(cursor);
        return {QPoint(from.x() + 2, from.top()), QPoint(to.x() - 2, from.bottom())};
    }

    // How each character of the detail box's line from `from` on is drawn, from its viewport
    // as it paints.
    QString looksOf(int from) const {
        QPlainTextEdit* box = detailBox();
        const QImage drawn = box->viewport()->grab().toImage();
        const QPalette::ColorGroup group = box->hasFocus() ? QPalette::Active : QPalette::Inactive;
        const QRgb base = box->palette().color(group, QPalette::Base).rgb();
        const QRgb selection = box->palette().color(group, QPalette::Highlight).rgb();
        QString looks;
        for (int at = from; at + 1 < box->document()->characterCount(); ++at)
            looks += lookOf(drawn, characterCell(at), base, selection);
        return looks;
    }

    // Where the character at `at` has its dark strokes.
    QBitArray strokesOf(const QImage& drawn, int at) const {
        const QRect cell = characterCell(at);
        QBitArray strokes(cell.width() * cell.height());
        for (int y = 0; y < cell.height(); ++y) {
            for (int x = 0; x < cell.width(); ++x)
                strokes.setBit(y * cell.width() + x,
                               qGray(drawn.pixel(cell.left() + x, cell.top() + y)) < 0x60);
        }
        return strokes;
    }

    Runs cellMarks(int row, int column = 1) const {
        app::ListGrid* grid = fixture_->grid();
        const auto* cells = qobject_cast<app::MarkedCellDelegate*>(grid->itemDelegate());
        if (cells == nullptr)
            return {};
        Runs runs;
        for (const db::LikeSpan& span : cells->marksAt(grid->model()->index(row, column)))
            runs.append({static_cast<int>(span.begin), static_cast<int>(span.end)});
        return runs;
    }

    // The first row from `from` on whose title has `part`, or, for an empty `part`, has none of
    // what the search found.
    int firstRowWhereTitleHas(const QString& part, int from = 0) const {
        const QAbstractItemModel* model = fixture_->grid()->model();
        for (int row = from; row < model->rowCount(); ++row) {
            const QString title = model->index(row, 1).data().toString();
            if (part.isEmpty() ? cellMarks(row).isEmpty() : title.contains(part))
                return row;
        }
        qFatal("no such title");
    }

    // Whether the row's title cell is drawn with marks: a few pixels of their colours at least.
    bool drawsMarks(int row, bool onSelection = false) const {
        app::ListGrid* grid = fixture_->grid();
        const QModelIndex cell = grid->model()->index(row, 1);
        grid->scrollTo(cell);
        const QImage drawn = grid->viewport()->grab(grid->visualRect(cell)).toImage();
        return countMarkPixels(drawn, onSelection) >= 20;
    }

    static int countMarkPixels(const QImage& drawn, bool onSelection = false) {
        int pixels = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x)
                pixels += isMarkColour(drawn.pixel(x, y), onSelection) ? 1 : 0;
        }
        return pixels;
    }

    std::unique_ptr<FormFixture> fixture_;
    std::optional<QString> restoredStyleSheet_;
};

VORLANTIX_WINDOW_TEST_MAIN(FormMarksTest)
#include "form_marks_test.moc"
