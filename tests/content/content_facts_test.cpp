// The facts about table `data` that the search, the reader and the list rely on, checked on the
// rows read back from the finished database file.

#include "body_sections.h"
#include "remedy_rows.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <numeric>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kDatabaseFile = QStringLiteral(VORLANTIX_REMEDY_DATABASE_FILE);
const QString kSourceFile = QStringLiteral(VORLANTIX_REMEDY_SOURCE_FILE);

// The heading words in the order their sections follow, where a body has them.
const QStringList kHeadingOrder = {u"来源"_s, u"异名"_s,     u"组成"_s, u"用法"_s,
                                   u"功用"_s, u"主治"_s,     u"加减"_s, u"方论"_s,
                                   u"禁忌"_s, u"实验研究"_s, u"支持"_s};
const QStringList kLooselyOrdered = {u"加减"_s, u"方论"_s, u"禁忌"_s};

qsizetype countIf(const auto& range, auto predicate) {
    return std::count_if(range.begin(), range.end(), predicate);
}

// True when the heading words among `headings` do not follow kHeadingOrder strictly.
bool outOfOrder(const QStringList& headings) {
    qsizetype previous = -1;
    for (const QString& heading : headings) {
        const qsizetype rank = kHeadingOrder.indexOf(heading);
        if (rank < 0)
            continue;
        if (rank <= previous)
            return true;
        previous = rank;
    }
    return false;
}

int digitValue(QChar c) {
    return c.unicode() >= u'０' ? c.unicode() - u'０' : c.unicode() - u'0';
}

} // namespace

class ContentFactsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sectionsSplitAtEveryOpeningBracket_data();
    void sectionsSplitAtEveryOpeningBracket();
    void databaseEqualsSource();
    void rowsStandInSixRuns();
    void titlesAreUniqueShortAndPlain();
    void namesComeInNumberedVariants();
    void bodyLengths();
    void bodiesOpenWithTheirTitle();
    void sectionsPerBody();
    void headingOccurrences_data();
    void headingOccurrences();
    void furtherBracketedTexts();
    void sectionOrder();
    void mostCommonSections();
    void supportSection();
    void lineBreaksAndCharacterRange();
    void statementCharacters_data();
    void statementCharacters();
    void categoriesFindRemedies_data();
    void categoriesFindRemedies();
    void promptTextFindsNothing();

private:
    QList<Remedy> m_remedies; // as read back from the database, in storage order
    QStringList m_bodies;     // the bodies that are not NULL
};

void ContentFactsTest::initTestCase() {
    try {
        m_remedies = readDatabaseRemedies(kDatabaseFile);
    } catch (const std::exception& error) {
        QFAIL(error.what());
    }
    for (const Remedy& remedy : std::as_const(m_remedies)) {
        if (remedy.body)
            m_bodies.append(*remedy.body);
    }
}

void ContentFactsTest::sectionsSplitAtEveryOpeningBracket_data() {
    // The reading of a body that every check below relies on; "|" separates the sections, and
    // "?" stands for a bracket that is not closed before the next one.
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("headings");
    QTest::newRow("no bracket") << u"甲方：甘草。"_s << u""_s;
    QTest::newRow("title and two sections") << u"甲方【来源】书。【主治】咳。"_s << u"来源|主治"_s;
    QTest::newRow("closed late") << u"【主治小儿惊风】，夜啼。"_s << u"主治小儿惊风"_s;
    QTest::newRow("unclosed before the next") << u"【用法]水煎。【主治】咳。"_s << u"?|主治"_s;
    QTest::newRow("unclosed at the end") << u"【组成】甘草。【禁忌孕妇忌服。"_s << u"组成|?"_s;
    QTest::newRow("closing bracket alone") << u"甲】方【来源】书。"_s << u"来源"_s;
}

void ContentFactsTest::sectionsSplitAtEveryOpeningBracket() {
    QFETCH(QString, body);
    QFETCH(QString, headings);
    QStringList found;
    for (const BodySection& section : bodySections(body))
        found.append(section.heading.value_or(u"?"_s));
    QCOMPARE(found.join(u'|'), headings);
}

void ContentFactsTest::databaseEqualsSource() {
    QList<Remedy> source;
    try {
        source = readSourceRemedies(kSourceFile);
    } catch (const std::exception& error) {
        QFAIL(error.what());
    }
    QCOMPARE(m_remedies.size(), source.size());
    for (qsizetype i = 0; i < source.size(); ++i) {
        if (m_remedies[i] != source[i])
            QFAIL(qPrintable(
                u"row %1 (编号 %2 in the source) differs"_s.arg(i).arg(source[i].number)));
    }
}

void ContentFactsTest::rowsStandInSixRuns() {
    const QList<std::pair<qint64, qint64>> runs = {{1, 2825},    {3471, 3581}, {5324, 5433},
                                                   {2826, 3470}, {3582, 5323}, {5434, 8030}};
    QList<qint64> expected;
    for (const auto& [first, last] : runs) {
        for (qint64 number = first; number <= last; ++number)
            expected.append(number);
    }
    QList<qint64> numbers;
    for (const Remedy& remedy : std::as_const(m_remedies))
        numbers.append(remedy.number);
    QCOMPARE(numbers.size(), 8030);
    QCOMPARE(numbers, expected);
}

void ContentFactsTest::titlesAreUniqueShortAndPlain() {
    static const QRegularExpression plain(u"^[\\x{4e00}-\\x{9fff}0-9０-９I]+$"_s);
    QSet<QString> titles;
    QList<int> lengths;
    for (const Remedy& remedy : std::as_const(m_remedies)) {
        QVERIFY2(plain.match(remedy.title).hasMatch(), qPrintable(remedy.title));
        titles.insert(remedy.title);
        lengths.append(static_cast<int>(remedy.title.size()));
    }
    QCOMPARE(titles.size(), m_remedies.size());
    QCOMPARE(*std::ranges::min_element(lengths), 2);
    QCOMPARE(*std::ranges::max_element(lengths), 18);
    QVERIFY(countIf(lengths, [](int n) { return n >= 3 && n <= 5; }) * 2 > lengths.size());
    const double mean =
        std::accumulate(lengths.begin(), lengths.end(), 0.0) / static_cast<double>(lengths.size());
    QVERIFY2(mean >= 3.5 && mean <= 4.5, qPrintable(QString::number(mean)));
    const qsizetype withLetter =
        countIf(m_remedies, [](const Remedy& r) { return r.title.contains(u'I'); });
    QVERIFY(withLetter >= 1 && withLetter <= 10);
}

void ContentFactsTest::namesComeInNumberedVariants() {
    static const QRegularExpression numbered(u"^(.*?)([0-9]+|[０-９]+)$"_s);
    QHash<QString, QList<int>> variants;
    QSet<QString> titles;
    int asciiNumbered = 0;
    int fullWidthNumbered = 0;
    for (const Remedy& remedy : std::as_const(m_remedies)) {
        titles.insert(remedy.title);
        const QRegularExpressionMatch match = numbered.match(remedy.title);
        if (!match.hasMatch())
            continue;
        const QString digits = match.captured(2);
        (digits[0].unicode() < 0x80 ? asciiNumbered : fullWidthNumbered) += 1;
        int value = 0;
        for (QChar c : digits)
            value = value * 10 + digitValue(c);
        variants[match.captured(1)].append(value);
    }
    QCOMPARE(asciiNumbered, 2366);
    QCOMPARE(fullWidthNumbered, 3);
    QCOMPARE(variants.size(), 905);
    int highest = 0;
    for (auto it = variants.begin(); it != variants.end(); ++it) {
        QList<int> values = it.value();
        std::ranges::sort(values);
        QList<int> upward(values.size());
        std::iota(upward.begin(), upward.end(), 1);
        QVERIFY2(values.size() >= 2 && values == upward, qPrintable(it.key()));
        QVERIFY2(!titles.contains(it.key()), qPrintable(it.key()));
        highest = std::max(highest, values.last());
    }
    QCOMPARE(highest, 14);
}

void ContentFactsTest::bodyLengths() {
    QList<qint64> withoutBody;
    for (const Remedy& remedy : std::as_const(m_remedies)) {
        if (!remedy.body)
            withoutBody.append(remedy.number);
    }
    QCOMPARE(withoutBody, QList<qint64>{2665});

    QList<int> lengths;
    for (const QString& body : std::as_const(m_bodies))
        lengths.append(static_cast<int>(body.size()));
    std::ranges::sort(lengths);
    QCOMPARE(lengths.first(), 41);
    QCOMPARE(lengths.last(), 1065);
    const qsizetype middle = lengths.size() / 2;
    const double median =
        lengths.size() % 2 ? lengths[middle] : (lengths[middle - 1] + lengths[middle]) / 2.0;
    QCOMPARE(median, 136.0);
}

void ContentFactsTest::bodiesOpenWithTheirTitle() {
    const qsizetype opening = countIf(
        m_remedies, [](const Remedy& r) { return r.body && r.body->startsWith(r.title + u'【'); });
    QCOMPARE(opening, 7998);
}

void ContentFactsTest::sectionsPerBody() {
    QList<qsizetype> counts;
    for (const QString& body : std::as_const(m_bodies))
        counts.append(bodySections(body).size());
    QCOMPARE(countIf(counts, [](qsizetype n) { return n == 0; }), 11);
    QCOMPARE(*std::ranges::max_element(counts), 10);
    QVERIFY(countIf(counts, [](qsizetype n) { return n >= 4 && n <= 6; }) * 2 > counts.size());
}

void ContentFactsTest::headingOccurrences_data() {
    QTest::addColumn<QString>("heading");
    QTest::addColumn<int>("occurrences");
    const QList<std::pair<QString, int>> table = {
        {u"组成"_s, 8017}, {u"来源"_s, 8015}, {u"主治"_s, 7990},  {u"用法"_s, 7989},
        {u"功用"_s, 2990}, {u"支持"_s, 1018}, {u"异名"_s, 805},   {u"加减"_s, 686},
        {u"方论"_s, 452},  {u"禁忌"_s, 434},  {u"实验研究"_s, 37}};
    for (const auto& [heading, occurrences] : table)
        QTest::newRow(heading.toUtf8().constData()) << heading << occurrences;
}

void ContentFactsTest::headingOccurrences() {
    QFETCH(QString, heading);
    QFETCH(int, occurrences);
    qsizetype found = 0;
    for (const QString& body : std::as_const(m_bodies))
        found += sectionHeadings(body).count(heading);
    QCOMPARE(found, qsizetype(occurrences));
}

void ContentFactsTest::furtherBracketedTexts() {
    QHash<QString, int> further;
    int bodiesWithUnclosedBracket = 0;
    for (const QString& body : std::as_const(m_bodies)) {
        bool unclosed = false;
        for (const BodySection& section : bodySections(body)) {
            if (!section.heading)
                unclosed = true;
            else if (!kHeadingOrder.contains(*section.heading))
                ++further[*section.heading];
        }
        bodiesWithUnclosedBracket += unclosed;
    }
    QCOMPARE(further.size(), 12);
    for (auto it = further.cbegin(); it != further.cend(); ++it)
        QVERIFY2(it.value() >= 1 && it.value() <= 6, qPrintable(it.key()));
    QCOMPARE(bodiesWithUnclosedBracket, 4);
}

void ContentFactsTest::sectionOrder() {
    int deviating = 0;
    int amongLooselyOrdered = 0;
    for (const QString& body : std::as_const(m_bodies)) {
        QStringList headings = sectionHeadings(body);
        if (headings.contains(u"支持"_s))
            QVERIFY2(headings.last() == u"支持"_s, qPrintable(body));
        if (!outOfOrder(headings))
            continue;
        ++deviating;
        headings.removeIf([](const QString& h) { return kLooselyOrdered.contains(h); });
        amongLooselyOrdered += !outOfOrder(headings);
    }
    QCOMPARE(deviating, 71);
    QVERIFY(amongLooselyOrdered * 2 > deviating);
}

void ContentFactsTest::mostCommonSections() {
    QHash<QStringList, int> combinations;
    for (const QString& body : std::as_const(m_bodies))
        ++combinations[sectionHeadings(body)];
    const QStringList common = {u"来源"_s, u"组成"_s, u"用法"_s, u"主治"_s};
    QCOMPARE(combinations.value(common), 3524);
    for (auto it = combinations.cbegin(); it != combinations.cend(); ++it) {
        if (it.key() != common)
            QVERIFY2(it.value() < 3524, qPrintable(it.key().join(u',')));
    }
}

void ContentFactsTest::supportSection() {
    static const QRegularExpression siteAndAddress(u"^#\\S+ \\S+\\.\\S+$"_s);
    QVERIFY(
        std::ranges::none_of(m_remedies, [](const Remedy& r) { return r.title.contains(u'#'); }));
    QSet<QString> texts;
    int bodiesWithHash = 0;
    for (const QString& body : std::as_const(m_bodies)) {
        if (!body.contains(u'#'))
            continue;
        ++bodiesWithHash;
        QCOMPARE(body.count(u'#'), 1);
        const BodySection last = bodySections(body).last();
        QCOMPARE(last.heading.value_or(QString()), u"支持"_s);
        texts.insert(last.text);
    }
    QCOMPARE(bodiesWithHash, 1018);
    QCOMPARE(texts.size(), 1);
    const QString text = *texts.cbegin();
    QCOMPARE(text.size(), 27);
    QVERIFY2(siteAndAddress.match(text).hasMatch(), qPrintable(text));
}

void ContentFactsTest::lineBreaksAndCharacterRange() {
    int bodiesWithBreaks = 0;
    qsizetype pairs = 0;
    for (const QString& body : std::as_const(m_bodies)) {
        const qsizetype inBody = body.count(u"\r\n"_s);
        bodiesWithBreaks += inBody > 0;
        pairs += inBody;
    }
    QCOMPARE(bodiesWithBreaks, 8);
    QCOMPARE(pairs, 55);

    QStringList texts = m_bodies;
    for (const Remedy& remedy : std::as_const(m_remedies))
        texts.append(remedy.title);
    QStringList offending;
    for (const QString& text : std::as_const(texts)) {
        // Outside CR LF pairs: no control character, and no half of a surrogate pair, which
        // would mean a character beyond the Basic Multilingual Plane.
        const QString rest = QString(text).remove(u"\r\n"_s);
        const bool plain = std::ranges::none_of(rest, [](QChar c) {
            return c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate();
        });
        if (!plain || text.startsWith(QChar(0xFEFF)))
            offending.append(text);
    }
    QVERIFY2(offending.isEmpty(), qPrintable(offending.value(0)));
}

void ContentFactsTest::statementCharacters_data() {
    QTest::addColumn<QChar>("character");
    QTest::addColumn<int>("inTitles");
    QTest::addColumn<int>("inBodies");
    QTest::newRow("apostrophe") << QChar(u'\'') << 0 << 0;
    QTest::newRow("percent sign") << QChar(u'%') << 0 << 3;
    QTest::newRow("closing square bracket") << QChar(u']') << 0 << 2;
    QTest::newRow("underscore") << QChar(u'_') << 0 << 0;
    QTest::newRow("opening square bracket") << QChar(u'[') << 0 << 0;
}

void ContentFactsTest::statementCharacters() {
    QFETCH(QChar, character);
    QFETCH(int, inTitles);
    QFETCH(int, inBodies);
    qsizetype titles = 0;
    for (const Remedy& remedy : std::as_const(m_remedies))
        titles += remedy.title.count(character);
    qsizetype bodies = 0;
    for (const QString& body : std::as_const(m_bodies))
        bodies += body.count(character);
    QCOMPARE(titles, inTitles);
    QCOMPARE(bodies, inBodies);
}

void ContentFactsTest::categoriesFindRemedies_data() {
    QTest::addColumn<QString>("category");
    for (const QString& category :
         {u"补气"_s, u"补血"_s, u"安神"_s,   u"阳痿"_s,   u"壮阳"_s, u"跌打"_s, u"烧伤"_s,
          u"冻伤"_s, u"痔疮"_s, u"痤疮"_s,   u"黄褐斑"_s, u"雀斑"_s, u"脱发"_s, u"白发"_s,
          u"泌尿"_s, u"消化"_s, u"寄生虫"_s, u"产后"_s,   u"月经"_s, u"滋补"_s})
        QTest::newRow(category.toUtf8().constData()) << category;
}

void ContentFactsTest::categoriesFindRemedies() {
    // Every category of the category box must lead somewhere: a handful of hits at least, and
    // never the whole table, which would make the category useless.
    QFETCH(QString, category);
    const qsizetype hits = countIf(m_remedies, [&](const Remedy& r) {
        return r.title.contains(category) || r.body.value_or(QString()).contains(category);
    });
    QVERIFY2(hits >= 5 && hits < m_remedies.size() / 2, qPrintable(QString::number(hits)));
}

void ContentFactsTest::promptTextFindsNothing() {
    const QString prompt = u"请输入搜索关键词"_s;
    QVERIFY(std::ranges::none_of(m_remedies, [&](const Remedy& r) {
        return r.title.contains(prompt) || r.body.value_or(QString()).contains(prompt);
    }));
}

QTEST_GUILESS_MAIN(ContentFactsTest)
#include "content_facts_test.moc"
