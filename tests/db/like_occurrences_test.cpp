#include "db/like_pattern.h"
#include "tests/db/like_reference.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using Spans = std::vector<db::LikeSpan>;

// "[2,4) [7,9)", for a readable failure.
QString written(const Spans& spans) {
    QStringList parts;
    for (const db::LikeSpan& span : spans)
        parts << u"[%1,%2)"_s.arg(span.begin).arg(span.end);
    return parts.join(u' ');
}

} // namespace

Q_DECLARE_METATYPE(Spans)

// The places a search keyword is marked: the occurrences of its pattern in the text shown.
class LikeOccurrencesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void occurrences_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Spans>("spans");
        const QString pair = u"\U0001F33F"_s; // a herb, outside the BMP: a surrogate pair
        QTest::newRow("plain keyword, twice")
            << u"%补气%"_s << u"补气养血，补气"_s << Spans{{0, 2}, {5, 7}};
        QTest::newRow("at the start and the end")
            << u"%ab%"_s << u"ab cd ab"_s << Spans{{0, 2}, {6, 8}};
        QTest::newRow("Latin letters without regard to case")
            << u"%Vitamin C%"_s << u"VITAMIN c, vitamin C"_s << Spans{{0, 9}, {11, 20}};
        QTest::newRow("non-ASCII letters fold too")
            << u"%äb%"_s << u"ÄB äb"_s << Spans{{0, 2}, {3, 5}};
        QTest::newRow("underscore is one character")
            << u"%川_丸%"_s << u"川乌丸 川丸 川芎丸"_s << Spans{{0, 3}, {7, 10}};
        QTest::newRow("underscore takes a surrogate pair whole")
            << u"%a_b%"_s << (u"a"_s + pair + u"b a"_s + pair + u"xb"_s) << Spans{{0, 4}};
        QTest::newRow("a surrogate pair in the keyword")
            << (u"%"_s + pair + u"叶%"_s) << (u"x"_s + pair + u"叶"_s + pair) << Spans{{1, 4}};
        QTest::newRow("lone surrogate never takes half of a pair")
            << u"%\xD83C%"_s << (pair + u"\xD83C"_s) << Spans{{2, 3}};
        QTest::newRow("percent inside takes the shortest run")
            << u"%a%b%"_s << u"xa1b2b a3b"_s << Spans{{1, 4}, {7, 10}};
        QTest::newRow("percent inside may take nothing") << u"%a%b%"_s << u"ab"_s << Spans{{0, 2}};
        QTest::newRow("overlapping candidates: leftmost, then after it")
            << u"%aa%"_s << u"aaaaa"_s << Spans{{0, 2}, {2, 4}};
        QTest::newRow("overlapping with a wildcard") << u"%a_a%"_s << u"ababa"_s << Spans{{0, 3}};
        QTest::newRow("underscores alone: each character")
            << u"%__%"_s << u"补气养"_s << Spans{{0, 2}};
        QTest::newRow("across a line break") << u"%气%养%"_s << u"补气\n【养】"_s << Spans{{1, 5}};
        QTest::newRow("line break inside by underscore")
            << u"%气_养%"_s << u"补气\n养"_s << Spans{{1, 4}};
        QTest::newRow("apostrophe literal")
            << u"%it's%"_s << u"It's its it's"_s << Spans{{0, 4}, {9, 13}};
        QTest::newRow("matching nothing") << u"%人参%"_s << u"补气养血"_s << Spans{};
        QTest::newRow("later piece missing") << u"%a%z%"_s << u"a a a"_s << Spans{};
        QTest::newRow("percent alone marks nothing") << u"%%%"_s << u"补气"_s << Spans{};
        QTest::newRow("empty pattern") << QString() << u"补气"_s << Spans{};
        QTest::newRow("empty text") << u"%a%"_s << QString() << Spans{};
        QTest::newRow("trailing underscore needs its character")
            << u"%a_%"_s << u"ab a"_s << Spans{{0, 2}};
        QTest::newRow("long wildcard core")
            << (u"%a"_s + u"_"_s.repeated(70) + u"b%"_s)
            << (u"xa"_s + u"c"_s.repeated(70) + u"bb"_s) << Spans{{1, 73}};
    }
    void occurrences() {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(Spans, spans);
        const Spans found = db::LikePattern(pattern).occurrences(text);
        QVERIFY2(found == spans, qPrintable(written(found) + u" != "_s + written(spans)));
        QVERIFY2(found == like_reference::occurrences(pattern, text), qPrintable(written(found)));
    }

    // Random short patterns and texts over a few letters, against the slow search.
    void agreesWithTheSlowSearch() {
        QRandomGenerator random(18);
        const QString patternLetters = u"ab_%\xD83C"_s;
        const QString textLetters = u"abA\xD83C\xDF3F"_s;
        const auto draw = [&random](const QString& letters, int length) {
            QString out;
            for (int i = 0; i < length; ++i)
                out += letters[random.bounded(static_cast<int>(letters.size()))];
            return out;
        };
        for (int round = 0; round < 4000; ++round) {
            const QString pattern = draw(patternLetters, random.bounded(1, 6));
            const QString text = draw(textLetters, random.bounded(0, 14));
            const Spans found = db::LikePattern(pattern).occurrences(text);
            const Spans expected = like_reference::occurrences(pattern, text);
            QVERIFY2(found == expected, qPrintable(pattern + u" in "_s + text + u": "_s +
                                                   written(found) + u" != "_s + written(expected)));
        }
    }
};

QTEST_APPLESS_MAIN(LikeOccurrencesTest)
#include "like_occurrences_test.moc"
