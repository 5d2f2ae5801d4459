// One search end to end through the window's search action (statement, open, count, message,
// model reset, column layout) for each category word, against the engine's search alone over a
// connection of its own. Build with -DVORLANTIX_BUILD_BENCHMARKS=ON (Release for real figures)
// and run window_search_bench; it runs on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise.
#include "app/tform1.h"
#include "db/connection.h"
#include "db/record_set.h"
#include "db/temp_directory.h"
#include "db/working_copy.h"
#include "lookup/categories.h"
#include "lookup/search.h"

#include "median_time.h"
#include "window_bench_process.h"
#include <QApplication>
#include <QLineEdit>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 9;

} // namespace

int main(int /*argc*/, char* argv[]) {
    const WindowBenchProcess process(argv[0]);

    TForm1 form;
    form.show();
    auto* keyword = form.findChild<QLineEdit*>(QStringLiteral("searchkeyword"));
    auto* windowSet = form.findChild<db::RecordSet*>(QStringLiteral("ADOQuery1"));

    db::Connection connection;
    connection.setConnectionString(db::connectionStringFor(db::GetTempDirectory()));
    db::RecordSet engineSet(QStringLiteral("engine"), connection);

    double windowTotal = 0;
    double engineTotal = 0;
    std::printf("%-8s %6s %10s %10s\n", "word", "hits", "window ms", "engine ms");
    for (const QString& word : lookup::categoryEntries()) {
        const double engine = medianMilliseconds(kRuns, [&] {
            engineSet.close();
            engineSet.clearSql();
            engineSet.addSqlLine(lookup::searchStatement(word));
            engineSet.open();
            (void)engineSet.recordCount();
        });
        keyword->setText(word);
        const int hits = engineSet.recordCount();
        if (hits == 0) {
            // The window would stop at its no-result box; nothing to compare.
            std::printf("%-8s %6d %10s %10.2f\n", qPrintable(word), hits, "-", engine);
            continue;
        }
        const double window = medianMilliseconds(kRuns, [&] { form.Button_SearchClick(); });
        if (windowSet->recordCount() != hits)
            std::abort();
        std::printf("%-8s %6d %10.2f %10.2f\n", qPrintable(word), hits, window, engine);
        windowTotal += window;
        engineTotal += engine;
    }
    std::printf("all words: window %.1f ms, engine %.1f ms, the window adds %.0f%%\n", windowTotal,
                engineTotal, 100.0 * (windowTotal - engineTotal) / engineTotal);
    form.close();
    return 0;
}
