#include "lookup/format_remedy_body.h"

namespace lookup {

QString FormatRemedyBody(const QString& body) {
    constexpr QChar heading = u'【';
    constexpr QChar marker = u'#';
    QString shown;
    shown.reserve(body.size() + body.count(heading) * 2);
    for (const QChar c : body) {
        if (c == heading) {
            shown += u"\r\n";
        }
        if (c != marker) {
            shown += c;
        }
    }
    return shown;
}

} // namespace lookup
