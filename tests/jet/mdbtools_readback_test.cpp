// Debian's mdbtools read the written databases back: the command-line tools and the libmdb C
// API, row for row and value for value, NULL included.

#include "readback_cases.h"

#include "jet/remedy_tsv.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <glib.h>
// mdbtools.h needs glib's declarations first.
#include <mdbtools.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning() << program << arguments << process.readAllStandardError();
        return u"<failed>"_s;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString fromUtf16(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// Splits mdb-export's CSV: fields separated by commas, text in double quotes with quotes doubled,
// line breaks allowed inside quotes.
QList<QStringList> parseCsv(const QString& csv) {
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv[i];
        if (quoted) {
            if (c == u'"' && i + 1 < csv.size() && csv[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record.append(std::exchange(field, {}));
        } else if (c == u'\n') {
            record.append(std::exchange(field, {}));
            records.append(std::exchange(record, {}));
        } else {
            field += c;
        }
    }
    return records;
}

struct MdbRow {
    qint64 id;
    QString title;
    std::optional<QString> body;
};

struct HandleCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// Reads table `data` in storage order through libmdb, telling NULL from empty by the cracked
// row's null flags.
std::vector<MdbRow> readWithLibmdb(const QString& path) {
    constexpr int kBindSize = 1 << 20;
    std::unique_ptr<MdbHandle, HandleCloser> mdb(
        mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        return {};
    }
    mdb_set_bind_size(mdb.get(), kBindSize);
    MdbCatalogEntry* entry = nullptr;
    for (guint i = 0; i < mdb->catalog->len; ++i) {
        auto* candidate = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (candidate->object_type == MDB_TABLE && QByteArray(candidate->object_name) == "data") {
            entry = candidate;
        }
    }
    if (!entry) {
        return {};
    }
    std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
    mdb_read_columns(table.get());
    const int columns = static_cast<int>(table->num_cols);
    std::vector<std::vector<char>> buffers(3, std::vector<char>(kBindSize));
    std::vector<int> lengths(3);
    for (int i = 0; i < 3; ++i) {
        mdb_bind_column(table.get(), i + 1, buffers[static_cast<size_t>(i)].data(),
                        &lengths[static_cast<size_t>(i)]);
    }
    std::vector<MdbField> fields(static_cast<size_t>(columns));
    std::vector<MdbRow> rows;
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        int start = 0;
        size_t size = 0;
        mdb_find_row(mdb.get(), static_cast<int>(table->cur_row) - 1, &start, &size);
        mdb_crack_row(table.get(), start & 0x1FFF, size, fields.data());
        auto text = [&](int i) {
            return QString::fromUtf8(buffers[static_cast<size_t>(i)].data());
        };
        MdbRow row{text(0).toLongLong(), text(1), std::nullopt};
        if (!fields[2].is_null) {
            row.body = text(2);
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace

class MdbtoolsReadbackTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;

private Q_SLOTS:
    void commandLineTools_data() { jettest::addReadbackRows(scratch_.path()); }

    void commandLineTools() {
        QFETCH(QString, database);
        QFETCH(QString, source);
        const std::vector<jet::Remedy> remedies = jettest::readSource(source);

        QCOMPARE(run(u"mdb-ver"_s, {database}).trimmed(), u"JET4"_s);
        QCOMPARE(run(u"mdb-tables"_s, {u"-1"_s, database}).trimmed(), u"data"_s);
        const QString schema = run(u"mdb-schema"_s, {u"--indexes"_s, database, u"postgres"_s});
        QVERIFY2(schema.contains(u"PRIMARY KEY (\"编号\")"_s), qPrintable(schema));
        QVERIFY2(schema.contains(u"\"标题\"\t\t\tVARCHAR (255)"_s), qPrintable(schema));
        QCOMPARE(run(u"mdb-count"_s, {database, u"data"_s}).trimmed().toULongLong(),
                 qulonglong(remedies.size()));

        // mdb-export prints NULL and empty text alike; libmdb below tells them apart.
        const QList<QStringList> records = parseCsv(run(u"mdb-export"_s, {database, u"data"_s}));
        QCOMPARE(records.size(), qsizetype(remedies.size()) + 1);
        QCOMPARE(records[0], (QStringList{u"编号"_s, u"标题"_s, u"内容"_s}));
        for (std::size_t i = 0; i < remedies.size(); ++i) {
            const QStringList& record = records[qsizetype(i) + 1];
            const jet::Remedy& remedy = remedies[i];
            QCOMPARE(record, (QStringList{QString::number(remedy.id), fromUtf16(remedy.title),
                                          fromUtf16(remedy.body.value_or(u""))}));
        }
    }

    void libmdb_data() { jettest::addReadbackRows(scratch_.path()); }

    void libmdb() {
        QFETCH(QString, database);
        QFETCH(QString, source);
        const std::vector<jet::Remedy> remedies = jettest::readSource(source);
        const std::vector<MdbRow> rows = readWithLibmdb(database);
        QCOMPARE(rows.size(), remedies.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].id, qint64(remedies[i].id));
            QCOMPARE(rows[i].title, fromUtf16(remedies[i].title));
            QCOMPARE(rows[i].body.has_value(), remedies[i].body.has_value());
            QCOMPARE(rows[i].body.value_or(QString()), fromUtf16(remedies[i].body.value_or(u"")));
        }
    }
};

QTEST_GUILESS_MAIN(MdbtoolsReadbackTest)
#include "mdbtools_readback_test.moc"
