// Measures what the window does with the engine, over the 8,030 remedies:
//   - the first open after connecting (the table is read from the file into the cache),
//   - an open of the full table once cached,
//   - a search for each of the twenty category words (statement built, opened, counted),
// and compares each search with SQLite running the same query over the same rows in an
// in-memory database, with a plain memmem scan over the UTF-8 titles and bodies, and with
// mdbtools' mdb-sql (a subprocess, timed on its own). Prints figures and ratios.

#include "database_copy.h"
#include "db/connection.h"
#include "db/record_set.h"
#include "lookup/categories.h"
#include "lookup/search.h"
#include "median_time.h"

#include <QCoreApplication>
#include <QProcess>

#include <cstdio>
#include <cstring>
#include <functional>
#include <sqlite3.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

double medianMicroseconds(int runs, const std::function<void()>& work) {
    return medianMilliseconds(runs, work) * 1000.0;
}

void openStatement(db::RecordSet& set, const QString& statement) {
    set.close();
    set.clearSql();
    set.addSqlLine(statement);
    set.open();
}

struct Row {
    QByteArray number, title, body;
};

class SqliteCopy {
public:
    explicit SqliteCopy(const std::vector<Row>& rows) {
        sqlite3_open(":memory:", &db_);
        sqlite3_exec(db_, "create table data(编号 integer primary key, 标题 text, 内容 text)",
                     nullptr, nullptr, nullptr);
        sqlite3_exec(db_, "begin", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db_, "insert into data values(?, ?, ?)", -1, &insert, nullptr);
        for (const Row& row : rows) {
            sqlite3_bind_int64(insert, 1, row.number.toLongLong());
            sqlite3_bind_text(insert, 2, row.title.constData(), static_cast<int>(row.title.size()),
                              SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, row.body.constData(), static_cast<int>(row.body.size()),
                              SQLITE_STATIC);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db_, "commit", nullptr, nullptr, nullptr);
    }
    ~SqliteCopy() { sqlite3_close(db_); }
    SqliteCopy(const SqliteCopy&) = delete;
    SqliteCopy& operator=(const SqliteCopy&) = delete;

    // Prepares, runs and counts, touching every column of every row as a client would.
    int count(const QString& statement) {
        sqlite3_stmt* query = nullptr;
        const QByteArray utf8 = statement.toUtf8();
        sqlite3_prepare_v2(db_, utf8.constData(), static_cast<int>(utf8.size()), &query, nullptr);
        int rows = 0;
        while (sqlite3_step(query) == SQLITE_ROW) {
            for (int c = 0; c < 3; ++c) {
                sqlite3_column_text(query, c);
            }
            ++rows;
        }
        sqlite3_finalize(query);
        return rows;
    }

private:
    sqlite3* db_ = nullptr;
};

int memmemCount(const std::vector<Row>& rows, const QByteArray& keyword) {
    int hits = 0;
    const auto size = static_cast<size_t>(keyword.size());
    for (const Row& row : rows) {
        if (::memmem(row.title.constData(), static_cast<size_t>(row.title.size()),
                     keyword.constData(), size) != nullptr ||
            ::memmem(row.body.constData(), static_cast<size_t>(row.body.size()),
                     keyword.constData(), size) != nullptr) {
            ++hits;
        }
    }
    return hits;
}

// mdb-sql wants names in brackets when they are not ASCII.
QByteArray mdbSqlQuery(const QString& select, const QString& keyword) {
    return (select + u" from data where [标题] like '%"_s + keyword + u"%' or [内容] like '%"_s +
            keyword + u"%'\ngo\n"_s)
        .toUtf8();
}

QByteArray runMdbSql(const QString& path, const QByteArray& input) {
    QProcess process;
    process.start(u"mdb-sql"_s, {u"-H"_s, u"-F"_s, u"-P"_s, path});
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    return process.readAllStandardOutput();
}

int countLines(const QByteArray& output) {
    const QList<QByteArray> lines = output.split('\n');
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const QByteArray& line) {
        return !line.trimmed().isEmpty();
    }));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const DatabaseCopy database(argc, argv);
    const QString& path = database.path();
    const QString connectionString = database.connectionString();
    constexpr int kRuns = 21;

    const double firstOpen = medianMicroseconds(kRuns, [&] {
        db::Connection connection;
        connection.setConnectionString(connectionString);
        db::RecordSet set(u"ADOQuery1"_s, connection);
        openStatement(set, u"Select * from data"_s);
    });

    db::Connection connection;
    connection.setConnectionString(connectionString);
    db::RecordSet set(u"ADOQuery1"_s, connection);
    openStatement(set, u"Select * from data"_s);
    const double cachedOpen = medianMicroseconds(
        kRuns, [&] { openStatement(set, u"Select 编号,标题,内容 from data"_s); });

    std::vector<Row> rows;
    for (int r = 0; r < set.recordCount(); ++r) {
        rows.push_back({set.valueText(r, 0).toUtf8(), set.valueText(r, 1).toUtf8(),
                        set.valueText(r, 2).toUtf8()});
    }
    SqliteCopy sqlite(rows);

    std::printf("rows: %d\n", set.recordCount());
    std::printf("first open after connecting (read + cache): %10.0f us\n", firstOpen);
    std::printf("open of the full table, cached:             %10.0f us\n\n", cachedOpen);
    std::printf("%-8s %5s %12s %12s %12s %12s %9s %9s\n", "keyword", "hits", "engine us",
                "sqlite us", "memmem us", "mdb-sql us", "sqlite/e", "e/memmem");

    double engineTotal = 0, sqliteTotal = 0, memmemTotal = 0, mdbSqlTotal = 0;
    bool agree = true;
    for (const QString& keyword : lookup::categoryEntries()) {
        int hits = 0;
        const double engine = medianMicroseconds(kRuns, [&] {
            openStatement(set, lookup::searchStatement(keyword));
            hits = set.recordCount();
        });
        int sqliteHits = 0;
        const double lite = medianMicroseconds(
            kRuns, [&] { sqliteHits = sqlite.count(lookup::searchStatement(keyword)); });
        int scanHits = 0;
        const QByteArray utf8 = keyword.toUtf8();
        const double scan = medianMicroseconds(kRuns, [&] { scanHits = memmemCount(rows, utf8); });
        const double mdbSql =
            medianMicroseconds(3, [&] { runMdbSql(path, mdbSqlQuery(u"select *"_s, keyword)); });
        const int mdbSqlHits =
            countLines(runMdbSql(path, mdbSqlQuery(u"select [编号]"_s, keyword)));
        if (hits != sqliteHits || hits != scanHits || hits != mdbSqlHits) {
            agree = false;
            std::printf("  counts differ: engine %d, sqlite %d, memmem %d, mdb-sql %d\n", hits,
                        sqliteHits, scanHits, mdbSqlHits);
        }
        engineTotal += engine;
        sqliteTotal += lite;
        memmemTotal += scan;
        mdbSqlTotal += mdbSql;
        std::printf("%-8s %5d %12.0f %12.0f %12.0f %12.0f %9.2f %9.2f\n",
                    keyword.toLocal8Bit().constData(), hits, engine, lite, scan, mdbSql,
                    lite / engine, engine / scan);
    }
    std::printf("\ntotal of the twenty searches: engine %.0f us, sqlite %.0f us, memmem (UTF-8) "
                "%.0f us, mdb-sql %.0f us\n",
                engineTotal, sqliteTotal, memmemTotal, mdbSqlTotal);
    std::printf("sqlite / engine = %.2f (target >= 1), engine / memmem = %.2f (target <= 3), "
                "mdb-sql / engine = %.0f\n",
                sqliteTotal / engineTotal, engineTotal / memmemTotal, mdbSqlTotal / engineTotal);
    std::printf("hit counts %s\n", agree ? "agree" : "DIFFER");
    return agree ? 0 : 2;
}
