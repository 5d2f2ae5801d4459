// A cell click on the collection's longest remedy after a search: the click's reading and
// formatting of the body and the detail box's first drawing, for keywords of the kind users type
// and keywords built to make the `like` matcher slow, each searched through the window first; and
// the box drawn again with its whole text selected, marks and all. Prints the medians and the peak
// resident memory. Build with
// -DVORLANTIX_BUILD_BENCHMARKS=ON (Release for real figures) and run cell_click_bench; it runs on
// the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "app/tform1.h"
#include "db/record_set.h"

#include "median_time.h"
#include "window_bench_process.h"
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <sys/resource.h>

#include <cstdio>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kRuns = 31;

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The longest body of those the record set holds, made the current record; its length.
qsizetype goToLongestBody(db::RecordSet& set) {
    int longest = 0;
    for (int row = 0; row < set.recordCount(); ++row) {
        if (set.valueText(row, 2).size() > set.valueText(longest, 2).size())
            longest = row;
    }
    set.moveBy(longest - set.currentRow());
    return set.valueText(longest, 2).size();
}

} // namespace

int main(int /*argc*/, char* argv[]) {
    const WindowBenchProcess process(argv[0]);

    TForm1 form;
    form.show();
    auto* keyword = form.findChild<QLineEdit*>(u"searchkeyword"_s);
    auto* set = form.findChild<db::RecordSet*>(u"ADOQuery1"_s);
    auto* detail = form.findChild<QPlainTextEdit*>(u"Memo_Info"_s);

    // The longest body of the whole collection, and keywords that find it.
    form.Button_RefreshClick();
    goToLongestBody(*set);
    const QString body = set->fieldText(2);
    QString alternate = body.left(1000); // letters and "_" by turns: a long core with wildcards
    for (qsizetype i = 1; i < alternate.size(); i += 2)
        alternate[i] = u'_';
    const std::vector<std::pair<const char*, QString>> keywords = {
        {"title", set->fieldText(1)},
        {"section bracket 【", u"【"_s},
        {"its first ingredient", body.mid(body.indexOf(u"【组成】"_s) + 4, 2)},
        {"_ x1000", u"_"_s.repeated(1000)},
        {"%_ x500", u"%_"_s.repeated(500)},
        {"its text, _ by turns", alternate},
    };
    std::printf("longest body: %lld characters\n", static_cast<long long>(body.size()));
    std::printf("%-24s %6s %10s %12s\n", "keyword", "hits", "click ms", "selected ms");
    for (const auto& [name, word] : keywords) {
        keyword->setText(word);
        form.Button_SearchClick();
        const int hits = set->recordCount();
        if (goToLongestBody(*set) != body.size())
            std::abort(); // the search must have found the longest body
        const double click = medianMilliseconds(kRuns, [&] {
            form.DBGrid1CellClick(1);
            detail->viewport()->repaint();
        });
        detail->selectAll();
        // Drawn into a picture: the window need not be on a screen.
        const double selected = medianMilliseconds(kRuns, [&] { detail->viewport()->grab(); });
        std::printf("%-24s %6d %10.3f %12.3f\n", name, hits, click, selected);
    }
    std::printf("peak resident: %ld KiB\n", peakResidentKilobytes());
    form.close();
    return 0;
}
