#include "db/database_error.h"
#include "db/like_pattern.h"
#include "db/statement.h"
#include "tests/db/like_reference.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QString underscores(qsizetype count) {
    return u"_"_s.repeated(count);
}

// A piece of 130 characters with letters on both sides of each 64-bit word of the search state.
QString wordEdges() {
    QString piece = underscores(130);
    for (const qsizetype at : {0, 62, 63, 64, 65, 127, 128, 129}) {
        piece[at] = QChar(u'a' + static_cast<char16_t>(at % 7));
    }
    return piece;
}

// Surrogates and other non-ASCII units as \x escapes, for a readable failure.
QString escaped(const QString& text) {
    QString out;
    for (const QChar unit : text) {
        out +=
            unit.unicode() < 0x80 ? QString(unit) : u"\\x"_s + QString::number(unit.unicode(), 16);
    }
    return out;
}

} // namespace

class StatementTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesStatements_data();
    void parsesStatements();
    void rejectsMalformedStatements_data();
    void rejectsMalformedStatements();
    void matchesLike_data();
    void matchesLike();
    void matchesLikeTheReference();
    void foldsCaseByCodePoint();
};

void StatementTest::parsesStatements_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("tests"); // column, pattern, column, pattern, ...

    QTest::newRow("all columns") << u"Select * from data\r\n"_s << QStringList() << u"data"_s
                                 << QStringList();
    QTest::newRow("column list") << u"Select 编号,标题,内容 from data\r\n"_s
                                 << QStringList{u"编号"_s, u"标题"_s, u"内容"_s} << u"data"_s
                                 << QStringList();
    QTest::newRow("search")
        << u"Select * from data where 标题 like '%补气%' or 内容 like '%补气%' \r\n"_s
        << QStringList() << u"data"_s
        << QStringList{u"标题"_s, u"%补气%"_s, u"内容"_s, u"%补气%"_s};
    QTest::newRow("keywords in any case, blanks anywhere")
        << u"  SELECT\t内容 , 编号\nFROM data WHERE 标题 LIKE 'a' Or 内容 lIkE 'b' OR 编号 like 'c';"_s
        << QStringList{u"内容"_s, u"编号"_s} << u"data"_s
        << QStringList{u"标题"_s, u"a"_s, u"内容"_s, u"b"_s, u"编号"_s, u"c"_s};
    QTest::newRow("doubled apostrophes")
        << u"select * from data where 标题 like '%it''s''%'"_s << QStringList() << u"data"_s
        << QStringList{u"标题"_s, u"%it's'%"_s};
    QTest::newRow("empty pattern and only an apostrophe")
        << u"select * from data where a like '' or b like ''''"_s << QStringList() << u"data"_s
        << QStringList{u"a"_s, QString(), u"b"_s, u"'"_s};
    QTest::newRow("bracketed names")
        << u"select [from], [two words] from [my table]"_s << QStringList{u"from"_s, u"two words"_s}
        << u"my table"_s << QStringList();
    QTest::newRow("pattern keeps its blanks and keywords")
        << u"select * from data where 标题 like ' or 1 like ''x'' '"_s << QStringList() << u"data"_s
        << QStringList{u"标题"_s, u" or 1 like 'x' "_s};
}

void StatementTest::parsesStatements() {
    QFETCH(QString, text);
    QFETCH(QStringList, columns);
    QFETCH(QString, table);
    QFETCH(QStringList, tests);
    const db::SelectStatement statement = db::parseStatement(text);
    QCOMPARE(statement.columns, columns);
    QCOMPARE(statement.table, table);
    QStringList parsedTests;
    for (const db::LikeTest& test : statement.anyOf) {
        parsedTests << test.column << test.pattern;
    }
    QCOMPARE(parsedTests, tests);
}

void StatementTest::rejectsMalformedStatements_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    const QString early = u"Syntax error in query: the statement ends too early"_s;
    QTest::newRow("empty") << QString() << early;
    QTest::newRow("blank lines") << u"\r\n\r\n"_s << early;
    QTest::newRow("not a select") << u"delete from data"_s
                                  << u"Syntax error in query near 'delete'"_s;
    QTest::newRow("no table") << u"select * from"_s << early;
    QTest::newRow("no column list")
        << u"select from data"_s << u"Syntax error in query near 'from'"_s;
    QTest::newRow("trailing comma")
        << u"select a, from data"_s << u"Syntax error in query near 'from'"_s;
    QTest::newRow("trailing junk")
        << u"select * from data xyz"_s << u"Syntax error in query near 'xyz'"_s;
    QTest::newRow("junk after semicolon")
        << u"select * from data; drop"_s << u"Syntax error in query near 'drop'"_s;
    QTest::newRow("empty where") << u"select * from data where"_s << early;
    QTest::newRow("and is not supported") << u"select * from data where a like 'x' and b like 'y'"_s
                                          << u"Syntax error in query near 'and'"_s;
    QTest::newRow("equals is not supported")
        << u"select * from data where a = 'x'"_s << u"Syntax error in query near '='"_s;
    QTest::newRow("pattern not quoted")
        << u"select * from data where a like x"_s << u"Syntax error in query near 'x'"_s;
    QTest::newRow("open pattern") << u"select * from data where a like '%x"_s
                                  << u"Syntax error in query: missing closing apostrophe in '%x"_s;
    QTest::newRow("open pattern, statement line end")
        << u"select * from data where a like '%x \r\n"_s
        << u"Syntax error in query: missing closing apostrophe in '%x "_s;
    QTest::newRow("keyword as name")
        << u"select * from where"_s << u"Syntax error in query near 'where'"_s;
    QTest::newRow("open bracket") << u"select [a from data"_s
                                  << u"Syntax error in query near '[a from data'"_s;
    QTest::newRow("empty brackets")
        << u"select [] from data"_s << u"Syntax error in query near '[]'"_s;
    // A keyword with an apostrophe left single breaks the statement instead of widening it.
    QTest::newRow("apostrophe not doubled")
        << u"Select * from data where 标题 like '%it's%' or 内容 like '%it's%' "_s
        << u"Syntax error in query near 's'"_s;
}

void StatementTest::rejectsMalformedStatements() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        db::parseStatement(text);
        QFAIL("no error");
    } catch (const db::DatabaseError& error) {
        QCOMPARE(QString::fromUtf8(error.what()), message);
    }
}

void StatementTest::matchesLike_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");

    const QString pair = u"a\U0002000Bb"_s;      // a CJK character beyond the BMP, a surrogate pair
    const QString high = QString(QChar(0xD840)); // its halves, alone
    const QString low = QString(QChar(0xDC0B));
    const QList<std::tuple<const char*, QString, QString, bool>> cases = {
        {"contains", u"%补气%"_s, u"人参补气汤"_s, true},
        {"contains at start", u"%补气%"_s, u"补气"_s, true},
        {"does not contain", u"%补气%"_s, u"补血汤"_s, false},
        {"percent matches empty", u"%"_s, QString(), true},
        {"percent twice", u"%%"_s, u"x"_s, true},
        {"empty matches empty only", QString(), QString(), true},
        {"empty pattern", QString(), u"x"_s, false},
        {"exact", u"补气"_s, u"补气"_s, true},
        {"exact is anchored", u"补气"_s, u"补气汤"_s, false},
        {"prefix", u"补%"_s, u"补气汤"_s, true},
        {"prefix fails", u"补%"_s, u"人参补"_s, false},
        {"suffix", u"%汤"_s, u"补气汤"_s, true},
        {"suffix fails", u"%汤"_s, u"汤药"_s, false},
        {"underscore is one CJK character", u"补_汤"_s, u"补气汤"_s, true},
        {"underscore is not two", u"补_汤"_s, u"补气血汤"_s, false},
        {"underscore is not none", u"补_汤"_s, u"补汤"_s, false},
        {"underscore on a surrogate pair", u"a_b"_s, pair, true},
        {"underscore at end on a surrogate pair", u"%a_"_s, pair.left(3), true},
        {"two underscores on a surrogate pair", u"a__b"_s, pair, false},
        {"underscore at end", u"%补_"_s, u"人参补气"_s, true},
        {"underscore at end fails", u"%补_"_s, u"人参补"_s, false},
        {"pieces in order", u"%人%补%汤"_s, u"人参补气汤"_s, true},
        {"pieces out of order", u"%补%人%"_s, u"人参补气"_s, false},
        {"pieces may not overlap", u"%aba%aba%"_s, u"ababa"_s, false},
        {"later start for the end piece", u"a%ab"_s, u"aab"_s, true},
        {"middle piece with underscore", u"%补_汤%"_s, u"人参补气汤方"_s, true},
        {"Latin letters ignore case", u"%VITAMIN c%"_s, u"vitamin C tablets"_s, true},
        {"other letters ignore case", u"%ÄÖ%"_s, u"xäöx"_s, true},
        {"Greek final sigma folds", u"ΣΑΣ"_s, u"σας"_s, true},
        {"apostrophe matched literally", u"%it's%"_s, u"it's"_s, true},
        {"no false hit across characters", u"%\u4e00%"_s, u"\u004e\u0000\u4e4e"_s, false},
        {"percent matches text", u"%"_s, u"补气"_s, true},
        {"percent matches no character", u"%_%"_s, QString(), false},
        {"underscore needs a character", u"_"_s, QString(), false},
        {"underscore is one pair", u"_"_s, pair.mid(1, 2), true},
        {"two underscores are not one pair", u"__"_s, pair.mid(1, 2), false},
        {"underscores at start", u"__补%"_s, u"人参补气"_s, true},
        {"underscores at start fail", u"__补%"_s, u"人补气"_s, false},
        {"underscores at both ends of the end piece", u"%_补_"_s, u"人补气"_s, true},
        {"start and end pieces may not overlap", u"补气%气汤"_s, u"补气汤"_s, false},
        {"middle piece needs characters around it", u"%__补_%"_s, u"人参补气"_s, true},
        {"middle piece lacks a character before", u"%__补_%"_s, u"人补气"_s, false},
        {"middle piece lacks a character after", u"%__补_%"_s, u"人参补"_s, false},
        {"middle pieces of underscores only", u"%_%_%_%"_s, u"补气汤"_s, true},
        {"middle pieces of underscores only, too few", u"%_%_%_%"_s, u"补气"_s, false},
        {"underscore inside a middle piece on a pair", u"%a_b%"_s, u"x"_s + pair + u"y"_s, true},
        {"middle piece overlapping its own start", u"%aa_a%"_s, u"aaaba"_s, true},
        {"middle piece found after a near miss", u"%ab_ab%"_s, u"abxaabyab"_s, true},
        {"pieces in order with underscores", u"%a_%b_%"_s, u"axxbx"_s, true},
        {"pieces out of order with underscores", u"%b_%a_%"_s, u"axxbx"_s, false},
        {"pair in pattern matches pair", u"%\U0002000B%"_s, pair, true},
        {"lone high does not match half a pair", u"%"_s + high + u"%"_s, pair, false},
        {"lone low does not match half a pair", u"%"_s + low + u"%"_s, pair, false},
        {"lone high matches lone high", u"%"_s + high + u"%"_s, u"a"_s + high + u"b"_s, true},
        {"lone low matches lone low", u"%"_s + low + u"%"_s, u"a"_s + low + u"b"_s, true},
        {"lone halves apart are not a pair", u"%"_s + high + u"%"_s + low + u"%"_s, pair, false},
        {"lone high then underscore is not a pair", high + u"_"_s, high + low, false},
        {"underscore then lone low is not a pair", u"_"_s + low, high + low, false},
        {"lone high then underscore", high + u"_"_s, high + u"x"_s, true},
        {"lone high before a pair", high + u"_"_s, high + high + low, true},
        {"underscore on a lone surrogate", u"a_b"_s, u"a"_s + low + u"b"_s, true},
        {"piece ending in a lone high", u"%a"_s + high + u"%"_s, u"a"_s + high + low, false},
        {"piece starting with a lone low", u"%"_s + low + u"b%"_s, high + low + u"b"_s, false},
        {"lone low found after half a pair", u"%"_s + low + u"b%"_s,
         high + low + u"b "_s + low + u"b"_s, true},
        {"lone high in the middle of a piece", u"%a"_s + high + u"_%"_s,
         u"a"_s + high + low + u"ca"_s + high + u"b"_s, true},
        {"long underscore piece", u"%a"_s + underscores(100) + u"b%"_s,
         u"xa"_s + u"补"_s.repeated(100) + u"by"_s, true},
        {"long underscore piece, one character short", u"%a"_s + underscores(100) + u"b%"_s,
         u"xa"_s + u"补"_s.repeated(99) + u"by"_s, false},
        {"long underscore piece over pairs", u"%a"_s + underscores(70) + u"b%"_s,
         u"a"_s + pair.mid(1, 2).repeated(70) + u"b"_s, true},
        {"long underscore piece over pair halves", u"%a"_s + underscores(140) + u"b%"_s,
         u"a"_s + pair.mid(1, 2).repeated(70) + u"b"_s, false},
        {"long piece of frequent and rare letters", u"%"_s + u"a_"_s.repeated(100) + u"c%"_s,
         u"a"_s.repeated(150) + u"ab"_s.repeated(100) + u"c"_s, true},
        {"long piece of frequent and rare letters fails", u"%"_s + u"a_"_s.repeated(100) + u"c%"_s,
         u"a"_s.repeated(150) + u"ab"_s.repeated(99) + u"bc"_s, false},
        {"long piece with letters at word edges", u"%"_s + wordEdges() + u"%"_s,
         u"xy"_s + wordEdges().replace(u'_', u'z') + u"yx"_s, true},
        {"long piece with letters at word edges fails", u"%"_s + wordEdges() + u"%"_s,
         u"xy"_s + wordEdges().replace(u'_', u'z').replace(127, 1, u'z') + u"yx"_s, false},
        {"few letters far apart", u"%a"_s + underscores(150) + u"c"_s + underscores(150) + u"b%"_s,
         u"xa"_s + u"补"_s.repeated(150) + u"c"_s + pair.mid(1, 2).repeated(150) + u"by"_s, true},
        {"few letters far apart, one misplaced",
         u"%a"_s + underscores(150) + u"c"_s + underscores(150) + u"b%"_s,
         u"xa"_s + u"补"_s.repeated(151) + u"c"_s + u"补"_s.repeated(149) + u"by"_s, false},
        {"few letters far apart, found after a near miss", u"%a"_s + underscores(300) + u"b%"_s,
         u"a"_s.repeated(200) + u"补"_s.repeated(100) + u"ba"_s + u"补"_s.repeated(300) + u"b"_s,
         true},
        {"long literal", u"%"_s + u"补气"_s.repeated(50) + u"%"_s,
         u"人"_s + u"补气"_s.repeated(51) + u"汤"_s, true},
        {"long literal anchored", u"补气"_s.repeated(50), u"补气"_s.repeated(51), false},
    };
    for (const auto& [name, pattern, text, matches] : cases) {
        QTest::newRow(name) << pattern << text << matches;
    }

    // "a" and "b" `gap` characters apart after a run of pairs (so units and characters differ)
    // and of near misses: starts that fit the first letter but not the rest. Past the first few
    // the search no longer compares start by start, and a piece of few letters is searched 151
    // starts at a time, so these cover both searches and the windows' edges.
    const auto nearMisses = [&pair](int count, int gap) {
        return pair.mid(1, 2).repeated(5) + u"a"_s.repeated(count + 1) + u"补"_s.repeated(gap - 1) +
               u"b"_s;
    };
    const QString fewLetters = u"%a"_s + underscores(149) + u"b%"_s;
    const QString twoWords = u"%a"_s + underscores(99) + u"b%"_s;
    const QString manyLetters = u"%"_s + u"a_"_s.repeated(40) + u"b%"_s;
    for (const int count : {1, 2, 3, 148, 149, 150, 151, 152, 153, 154, 300, 301, 302, 3000}) {
        QTest::addRow("few letters after %d near misses", count)
            << fewLetters << nearMisses(count, 150) << true;
        QTest::addRow("few letters misplaced after %d near misses", count)
            << fewLetters << nearMisses(count, 151) << false;
        QTest::addRow("few letters after %d near misses, text after it", count)
            << u"%a"_s + underscores(149) + u"b_%"_s << nearMisses(count, 150) + u"x"_s << true;
        QTest::addRow("two words of state after %d near misses", count)
            << twoWords << nearMisses(count, 100) << true;
        QTest::addRow("two words of state misplaced after %d near misses", count)
            << twoWords << nearMisses(count, 101) << false;
        QTest::addRow("many letters after %d near misses", count)
            << manyLetters << u"a"_s.repeated(count + 80) + u"b"_s << true;
        QTest::addRow("many letters misplaced after %d near misses", count)
            << manyLetters << u"a"_s.repeated(count + 80) + u"补补b"_s << false;
    }
}

void StatementTest::matchesLike() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QCOMPARE(db::LikePattern(pattern).matches(text), matches);
}

// Many small patterns and texts from an alphabet that makes hits, near misses, surrogate pairs
// and lone surrogates common, some long enough for pieces of more than one word of state.
void StatementTest::matchesLikeTheReference() {
    const QString surrogates = QString(QChar(0xD800)) + QChar(0xDC00);
    const QString patternAlphabet = u"aaB%__"_s + surrogates;
    const QString textAlphabet = u"aAbb"_s + surrogates;
    const QString sparseAlphabet = u"_"_s.repeated(40) + u"ab%"_s + surrogates;
    QRandomGenerator random(20261210);
    const auto randomText = [&random](const QString& alphabet, int longest) {
        QString text;
        const int length = static_cast<int>(random.bounded(longest + 1));
        for (int i = 0; i < length; ++i) {
            text += alphabet[static_cast<qsizetype>(random.bounded(alphabet.size()))];
        }
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        const bool long_ = round % 20 == 0;
        const bool sparse = round % 20 == 10; // mostly "_": few letters in a long piece
        const QString pattern = sparse ? randomText(sparseAlphabet, 400)
                                       : randomText(patternAlphabet, long_ ? 160 : 10);
        const QString text = randomText(textAlphabet, long_ || sparse ? 400 : 16);
        if (db::LikePattern(pattern).matches(text) != like_reference::matches(pattern, text)) {
            QFAIL(
                qPrintable(u"pattern \"%1\", text \"%2\""_s.arg(escaped(pattern), escaped(text))));
        }
    }
}

void StatementTest::foldsCaseByCodePoint() {
    QCOMPARE(db::foldCase(u"ABC Ä ß"_s), u"abc ä ß"_s);
    // Deseret capital long I folds to its small letter, both beyond the BMP.
    QCOMPARE(db::foldCase(u"\U00010400"_s), u"\U00010428"_s);
    const QString chinese = QString::fromUtf8("补气汤");
    QVERIFY(db::foldCase(chinese).isSharedWith(chinese));

    // Characters answered without the Unicode tables must fold exactly as the tables say.
    for (char16_t unit = 0; unit < 0xD800; ++unit) {
        const QString folded = db::foldCase(QString(QChar(unit)));
        const auto expected = static_cast<char16_t>(QChar::toCaseFolded(unit));
        if (folded != QString(QChar(expected)))
            QFAIL(qPrintable(u"U+%1 folds to %2"_s.arg(quint32(unit), 4, 16).arg(folded)));
    }
}

QTEST_GUILESS_MAIN(StatementTest)
#include "statement_test.moc"
