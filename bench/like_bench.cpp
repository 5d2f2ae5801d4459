// Measures the `like` matcher against keywords chosen to make it slow: long runs of "_", many
// "%", long literals, lone surrogates, random mixes. Each keyword goes into the program's own
// search statement and runs through the engine over the 8,030 remedies (target: 100 ms for any
// keyword of up to 65,536 characters), and as the search pattern "%keyword%" over single memos
// of 100,000 characters (target: 10 ms each, pattern built and matched), where the keyword's
// occurrences are also found, as the window marks them (the same target). Prints a table and the
// worst cases.

#include "database_copy.h"
#include "db/connection.h"
#include "db/like_pattern.h"
#include "lookup/search.h"
#include "median_time.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <sys/resource.h>

#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype kLongestKeyword = 65536;
constexpr qsizetype kMemoCharacters = 100000;

QString repeated(const QString& unit, qsizetype times) {
    return unit.repeated(times);
}

// One slow run says enough; fast ones take the median of five.
double milliseconds(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    const double first = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    return first > 300 ? first : medianMilliseconds(5, work);
}

long peakRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

QString randomKeyword(quint32 seed, const QString& alphabet) {
    QRandomGenerator random(seed);
    QString keyword;
    keyword.reserve(kLongestKeyword);
    for (qsizetype i = 0; i < kLongestKeyword; ++i) {
        keyword += alphabet[static_cast<qsizetype>(random.bounded(alphabet.size()))];
    }
    return keyword;
}

struct Case {
    const char* name;
    QString keyword;
};

std::vector<Case> keywordCases(const QString& bodies) {
    const QString pair = u"\U0002000B"_s;
    const QString high = pair.left(1); // its halves, alone
    const QString low = pair.right(1);
    return {
        {"category word 补气", u"补气"_s},
        {"_ x1100 then 补", repeated(u"_"_s, 1100) + u"补"_s},
        {"_ x65535 then 补", repeated(u"_"_s, 65535) + u"补"_s},
        {"%_ x32768", repeated(u"%_"_s, 32768)},
        {"_% x32768", repeated(u"_%"_s, 32768)},
        {"a_ x32768", repeated(u"a_"_s, 32768)},
        {"补_ x32768", repeated(u"补_"_s, 32768)},
        {"a _x62 b", u"a"_s + repeated(u"_"_s, 62) + u"b"_s},
        {"a _x1000 b", u"a"_s + repeated(u"_"_s, 1000) + u"b"_s},
        {"a _x30000 b", u"a"_s + repeated(u"_"_s, 30000) + u"b"_s},
        {"a _x49998 b", u"a"_s + repeated(u"_"_s, 49998) + u"b"_s},
        {"a _x65534 b", u"a"_s + repeated(u"_"_s, 65534) + u"b"_s},
        {"补 _x1000 无", u"补"_s + repeated(u"_"_s, 1000) + u"无"_s},
        {"a_ x500 b", repeated(u"a_"_s, 500) + u"b"_s},
        {"a_ x25000 b", repeated(u"a_"_s, 25000) + u"b"_s},
        {"aa_ x333 b", repeated(u"aa_"_s, 333) + u"b"_s},
        {"a%a_ x16384", repeated(u"a%a_"_s, 16384)},
        {"(a _x200 b %) x320", repeated(u"a"_s + repeated(u"_"_s, 200) + u"b%"_s, 320)},
        {"(a _x127 b %) x500", repeated(u"a"_s + repeated(u"_"_s, 127) + u"b%"_s, 500)},
        {"(a _x40 b %) x1500", repeated(u"a"_s + repeated(u"_"_s, 40) + u"b%"_s, 1500)},
        {"literal 补 x65536", repeated(u"补"_s, 65536)},
        {"literal a x65535 b", repeated(u"a"_s, 65535) + u"b"_s},
        {"literal bodies 65536", bodies.left(kLongestKeyword)},
        {"literal bodies 1000 + x", bodies.left(1000) + u"x"_s},
        {"lone low of the pair", low},
        {"lone low, high x32768", repeated(low + high, 32768)},
        {"lone high _ x32768", repeated(high + u"_"_s, 32768)},
        {"_ lone low x32768", repeated(u"_"_s + low, 32768)},
        {"% lone high x32768", repeated(u"%"_s + high, 32768)},
        {"pair _ x21845", repeated(pair + u"_"_s, 21845)},
        {"random a b _ %", randomKeyword(1, u"ab_%"_s)},
        {"random a _", randomKeyword(2, u"aa__"_s)},
        {"random a b _", randomKeyword(3, u"ab___"_s)},
        {"random 补 气 _ %", randomKeyword(4, u"补气__%"_s)},
    };
}

struct Memo {
    const char* name;
    QString folded;
};

std::vector<Memo> memos(const QString& bodies) {
    const QString pair = u"\U0002000B"_s;
    return {
        {"bodies", db::foldCase(bodies.left(kMemoCharacters))},
        {"a", repeated(u"a"_s, kMemoCharacters)},
        {"ab", repeated(u"ab"_s, kMemoCharacters / 2)},
        {"U+6100", repeated(u"\x6100"_s, kMemoCharacters)}, // bytes 00 61: "a" at odd offsets
        {"pairs", repeated(pair, kMemoCharacters)},
        {"pair+low", repeated(pair + pair.right(1), kMemoCharacters / 2)},
    };
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const DatabaseCopy database(argc, argv);
    db::Connection connection;
    connection.setConnectionString(database.connectionString());
    connection.open();
    const db::QueryResult all = connection.execute(u"Select * from data"_s);
    QString bodies;
    for (int row = 0; bodies.size() < 2 * kMemoCharacters && row < all.rowCount(); ++row) {
        bodies += all.text(row, 2);
    }

    const std::vector<Memo> memoTexts = memos(bodies);
    std::printf("%-24s %6s %10s %5s", "keyword", "length", "engine ms", "hits");
    for (const Memo& memo : memoTexts) {
        std::printf(" %9s", memo.name);
    }
    std::printf(" %7s\n", "rss MB");

    double worstEngine = 0, worstMemo = 0, worstMarks = 0;
    QString worstEngineCase, worstMemoCase, worstMarksCase;
    for (const Case& test : keywordCases(bodies)) {
        const QString statement = lookup::searchStatement(test.keyword);
        qsizetype hits = 0;
        const double engine =
            milliseconds([&] { hits = connection.execute(statement).rowCount(); });
        std::printf("%-24s %6lld %10.2f %5lld", test.name,
                    static_cast<long long>(test.keyword.size()), engine,
                    static_cast<long long>(hits));
        if (engine > worstEngine) {
            worstEngine = engine;
            worstEngineCase = QString::fromUtf8(test.name);
        }
        const QString pattern = u"%"_s + test.keyword + u"%"_s;
        for (const Memo& memo : memoTexts) {
            bool matched = false;
            const double memoTime = milliseconds(
                [&] { matched = db::LikePattern(pattern).matchesFolded(memo.folded); });
            std::printf(" %8.2f%s", memoTime, matched ? "*" : " ");
            const QString where =
                QString::fromUtf8(test.name) + u" over "_s + QString::fromUtf8(memo.name);
            if (memoTime > worstMemo) {
                worstMemo = memoTime;
                worstMemoCase = where;
            }
            const double marksTime = milliseconds(
                [&] { (void)db::LikePattern(pattern).occurrencesFolded(memo.folded); });
            if (marksTime > worstMarks) {
                worstMarks = marksTime;
                worstMarksCase = where;
            }
        }
        std::printf(" %7ld\n", peakRssMegabytes());
        std::fflush(stdout);
    }
    std::printf("(* the memo matched)\n");
    std::printf("worst through the engine: %.2f ms (%s), target 100 ms\n", worstEngine,
                qPrintable(worstEngineCase));
    std::printf("worst over one memo:      %.2f ms (%s), target 10 ms\n", worstMemo,
                qPrintable(worstMemoCase));
    std::printf("worst marks in one memo:  %.2f ms (%s), target 10 ms\n", worstMarks,
                qPrintable(worstMarksCase));

    // Beyond the keyword limit, as the first reports had it: "%_" a million times.
    const QString million = repeated(u"%_"_s, 1000000);
    qsizetype hits = 0;
    const double engine = milliseconds(
        [&] { hits = connection.execute(lookup::searchStatement(million)).rowCount(); });
    std::printf("%%_ x1000000 (2,000,000 characters) through the engine: %.2f ms, %lld hits, "
                "peak rss %ld MB\n",
                engine, static_cast<long long>(hits), peakRssMegabytes());
    return 0;
}
