// Feeds arbitrary UTF-8 text to the reader's formatting and checks what the detail box relies on:
// no "#" survives, every "【" stands on a line of its own, and taking the inserted line breaks out
// again gives back the body without its "#" characters.

#include "lookup/format_remedy_body.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString body =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString shown = lookup::FormatRemedyBody(body);

    if (shown.contains(u'#'))
        std::abort();
    QString expected = body;
    expected.remove(u'#');
    QString undone;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (shown[i] == u'\u3010') {
            if (i < 2 || shown[i - 2] != u'\r' || shown[i - 1] != u'\n')
                std::abort();
            undone.chop(2);
        }
        undone.append(shown[i]);
    }
    if (undone != expected)
        std::abort();
    return 0;
}
