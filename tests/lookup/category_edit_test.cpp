#include "lookup/categories.h"
#include "lookup/category_edit.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using lookup::CategoryEditResult;
using lookup::CategoryEditState;
using lookup::CategoryReport;

namespace lookup {

char* toString(const CategoryEditState& state) {
    return QTest::toString(u"\"%1\" caret %2 selected %3+%4 entry %5"_s.arg(state.text)
                               .arg(state.cursor)
                               .arg(state.selectionStart)
                               .arg(state.selectionLength)
                               .arg(state.entry));
}

} // namespace lookup

namespace {

enum class Operation { Type, Paste, Pick };

CategoryEditState field(const QString& text, qsizetype cursor, qsizetype selectionStart = -1,
                        qsizetype selectionLength = 0, int entry = -1) {
    return {text, cursor, selectionStart < 0 ? cursor : selectionStart, selectionLength, entry};
}

CategoryEditResult apply(const CategoryEditState& state, Operation operation,
                         const QString& argument) {
    switch (operation) {
    case Operation::Type:
        return lookup::typeCharacter(state, argument);
    case Operation::Paste:
        return lookup::pasteText(state, argument);
    case Operation::Pick:
        return lookup::pickEntry(state, argument.toLongLong());
    }
    Q_UNREACHABLE();
}

// One keystroke's report as "pick 补气", "edit 补" or "none".
QString describe(const CategoryEditResult& result) {
    switch (result.report) {
    case CategoryReport::None:
        return u"none"_s;
    case CategoryReport::Edit:
        return u"edit "_s + result.reportedText();
    case CategoryReport::Pick:
        return u"pick "_s + result.reportedText();
    }
    Q_UNREACHABLE();
}

} // namespace

Q_DECLARE_METATYPE(Operation)

class CategoryEditTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWithTheCaption() {
        QCOMPARE(lookup::initialCategoryState(), field(u"分类查看"_s, 4));
    }

    void operations_data() {
        QTest::addColumn<CategoryEditState>("before");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<CategoryEditState>("after");
        QTest::addColumn<CategoryReport>("report");

        const auto Type = Operation::Type;
        // Typed characters: completion against the entries, first match in list order.
        QTest::newRow("type completes to the first entry that begins so")
            << field({}, 0) << Type << u"补"_s << field(u"补气"_s, 2, 1, 1, 0)
            << CategoryReport::Pick;
        QTest::newRow("type completes to another entry")
            << field(u"补气"_s, 2, 1, 1, 0) << Type << u"血"_s << field(u"补血"_s, 2, 2, 0, 1)
            << CategoryReport::Pick;
        QTest::newRow("type completes to the entry already selected")
            << field(u"补气"_s, 2, 1, 1, 0) << Type << u"气"_s << field(u"补气"_s, 2, 2, 0, 0)
            << CategoryReport::None;
        QTest::newRow("type replaces the selected text, then completes")
            << field(u"烧伤"_s, 2, 0, 2, 6) << Type << u"冻"_s << field(u"冻伤"_s, 2, 1, 1, 7)
            << CategoryReport::Pick;
        QTest::newRow("type at a caret before the text completes")
            << field(u"伤"_s, 0) << Type << u"烧"_s << field(u"烧伤"_s, 2, 2, 0, 6)
            << CategoryReport::Pick;
        QTest::newRow("type beginning no entry is inserted")
            << field(u"分类查"_s, 3) << Type << u"看"_s << field(u"分类查看"_s, 4)
            << CategoryReport::Edit;
        QTest::newRow("type after a whole entry leaves it unselected")
            << field(u"补气"_s, 2, 2, 0, 0) << Type << u"x"_s << field(u"补气x"_s, 3)
            << CategoryReport::Edit;
        QTest::newRow("type in the middle")
            << field(u"ab"_s, 1) << Type << u"c"_s << field(u"acb"_s, 2) << CategoryReport::Edit;
        QTest::newRow("type a character outside the basic plane")
            << field({}, 0) << Type << u"𠀀"_s << field(u"𠀀"_s, 2) << CategoryReport::Edit;
        QTest::newRow("type nothing")
            << field(u"ab"_s, 1) << Type << QString() << field(u"ab"_s, 1) << CategoryReport::None;
        QTest::newRow("caret past the end is taken as the end")
            << field(u"ab"_s, 9) << Type << u"c"_s << field(u"abc"_s, 3) << CategoryReport::Edit;

        // Paste.
        QTest::newRow("paste at the caret does not complete")
            << field(u"补"_s, 1) << Operation::Paste << u"气"_s << field(u"补气"_s, 2)
            << CategoryReport::Edit;
        QTest::newRow("paste over the selection")
            << field(u"补气"_s, 2, 0, 2, 0) << Operation::Paste << u"当归"_s << field(u"当归"_s, 2)
            << CategoryReport::Edit;
        QTest::newRow("paste keeps the first line")
            << field({}, 0) << Operation::Paste << u"跌打\r\n烧伤"_s << field(u"跌打"_s, 2)
            << CategoryReport::Edit;
        QTest::newRow("paste nothing over the selection deletes it")
            << field(u"ab"_s, 2, 0, 2) << Operation::Paste << QString() << field({}, 0)
            << CategoryReport::Edit;
        QTest::newRow("paste nothing changes nothing")
            << field(u"ab"_s, 1) << Operation::Paste << QString() << field(u"ab"_s, 1)
            << CategoryReport::None;

        // Picks from the list.
        QTest::newRow("pick an entry")
            << lookup::initialCategoryState() << Operation::Pick << u"3"_s
            << field(u"阳痿"_s, 2, 0, 2, 3) << CategoryReport::Pick;
        QTest::newRow("pick the entry already selected")
            << field(u"补血"_s, 2, 0, 2, 1) << Operation::Pick << u"1"_s
            << field(u"补血"_s, 2, 0, 2, 1) << CategoryReport::Pick;
        QTest::newRow("pick the last entry")
            << field(u"x"_s, 1) << Operation::Pick << u"19"_s << field(u"滋补"_s, 2, 0, 2, 19)
            << CategoryReport::Pick;
        QTest::newRow("pick outside the list") << field(u"x"_s, 1) << Operation::Pick << u"20"_s
                                               << field(u"x"_s, 1) << CategoryReport::None;
    }

    void operations() {
        QFETCH(CategoryEditState, before);
        QFETCH(Operation, operation);
        QFETCH(QString, argument);
        QFETCH(CategoryEditState, after);
        QFETCH(CategoryReport, report);

        const CategoryEditResult result = apply(before, operation, argument);

        QCOMPARE(result.state, after);
        QCOMPARE(result.report, report);
    }

    // Keystroke by keystroke, as the user types: what the box reports
    // and which of those reports start a search.
    void typing_data() {
        QTest::addColumn<CategoryEditState>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QStringList>("searches");

        QTest::newRow("the caption, character by character")
            << field({}, 0) << u"分类查看"_s
            << QStringList{u"edit 分"_s, u"edit 分类"_s, u"edit 分类查"_s, u"edit 分类查看"_s}
            << QStringList{u"分"_s, u"分类"_s, u"分类查"_s};
        QTest::newRow("a whole entry searches once")
            << field({}, 0) << u"黄褐斑"_s << QStringList{u"pick 黄褐斑"_s, u"none"_s, u"none"_s}
            << QStringList{u"黄褐斑"_s};
        QTest::newRow("completion moves to a later entry")
            << field({}, 0) << u"补血"_s << QStringList{u"pick 补气"_s, u"pick 补血"_s}
            << QStringList{u"补气"_s, u"补血"_s};
        QTest::newRow("text that begins no entry")
            << field({}, 0) << u"当归"_s << QStringList{u"edit 当"_s, u"edit 当归"_s}
            << QStringList{u"当"_s, u"当归"_s};
        QTest::newRow("typing over a completed tail")
            << field({}, 0) << u"烧x"_s << QStringList{u"pick 烧伤"_s, u"edit 烧x"_s}
            << QStringList{u"烧伤"_s, u"烧x"_s};
    }

    void typing() {
        QFETCH(CategoryEditState, start);
        QFETCH(QString, keys);
        QFETCH(QStringList, reports);
        QFETCH(QStringList, searches);

        CategoryEditState state = start;
        QStringList reported;
        QStringList searched;
        for (const QChar key : keys) {
            const CategoryEditResult result = lookup::typeCharacter(state, {&key, 1});
            reported << describe(result);
            if (result.report != CategoryReport::None &&
                lookup::categoryStartsSearch(result.reportedText())) {
                searched << result.reportedText();
            }
            state = result.state;
        }
        QCOMPARE(reported, reports);
        QCOMPARE(searched, searches);
    }
};

QTEST_GUILESS_MAIN(CategoryEditTest)
#include "category_edit_test.moc"
