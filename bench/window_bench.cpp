// Window creation against its plain file work, and the window's memory against an empty window.
//
// Creating the window writes the 3 MB working copy, opens the whole table twice and lays out the
// list; the baseline writes the same bytes to a file and reads them back. Memory is the growth of
// the resident set when the shown window is added to an application already showing an empty
// window of the same size. Build with -DVORLANTIX_BUILD_BENCHMARKS=ON (Release for real figures)
// and run window_bench; it runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "app/tform1.h"
#include "db/connection.h"
#include "db/record_set.h"
#include "db/resources.h"
#include "db/temp_directory.h"
#include "db/working_copy.h"

#include "median_time.h"
#include "window_bench_process.h"
#include <QApplication>
#include <QFile>

#include <QTest>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 15;

long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace

int main(int /*argc*/, char* argv[]) {
    const WindowBenchProcess process(argv[0]);

    const auto resource = db::findResource(u"mdb", u"ResBuild");
    const QByteArray bytes(reinterpret_cast<const char*>(resource->data()),
                           static_cast<qsizetype>(resource->size()));
    const QString plainPath = process.runtimePath(QStringLiteral("plain.bin"));
    const double plainFile = medianMilliseconds(kRuns, [&] {
        QFile out(plainPath);
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
        out.write(bytes);
        out.close();
        QFile in(plainPath);
        in.open(QIODevice::ReadOnly);
        const QByteArray back = in.readAll();
        if (back.size() != bytes.size())
            std::abort();
    });
    const double creation = medianMilliseconds(kRuns, [] {
        TForm1 form;
        form.close();
    });
    // The engine's share: the same file work and the two opens, without a window.
    const double engine = medianMilliseconds(kRuns, [] {
        db::deleteWorkingCopy();
        db::ExtractResourceToFile(QStringLiteral("ResBuild"), QStringLiteral("mdb"),
                                  db::workingCopyPath());
        db::Connection connection;
        connection.setConnectionString(db::connectionStringFor(db::GetTempDirectory()));
        db::RecordSet set(QStringLiteral("ADOQuery1"), connection);
        for (const char* statement : {"Select * from data", "Select 编号,标题,内容 from data"}) {
            set.close();
            set.clearSql();
            set.addSqlLine(QString::fromUtf8(statement));
            set.open();
        }
        connection.close();
        db::deleteWorkingCopy();
    });
    std::printf("write and read back %lld bytes: %8.2f ms (median of %d)\n",
                static_cast<long long>(bytes.size()), plainFile, kRuns);
    std::printf("window creation and close:      %8.2f ms, %.1fx the file work (target: 5x)\n",
                creation, creation / plainFile);
    std::printf("of which the engine (copy, two opens): %8.2f ms\n", engine);

    QWidget empty;
    empty.setFixedSize(543, 610);
    empty.show();
    if (!QTest::qWaitForWindowExposed(&empty))
        return 1;
    QCoreApplication::processEvents();
    const long emptyWindow = residentKilobytes();
    TForm1 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    QCoreApplication::processEvents();
    const long withForm = residentKilobytes();
    std::printf("resident with an empty window: %ld KiB; with the program's window: %ld KiB "
                "(+%.1f MiB, target: 30 MiB)\n",
                emptyWindow, withForm, static_cast<double>(withForm - emptyWindow) / 1024.0);
    form.close();
    return 0;
}
