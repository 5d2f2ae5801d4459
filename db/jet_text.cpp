#include "db/jet_text.h"

#include <QtEndian>

namespace db {

QString jetText(const char* bytes, qsizetype size) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    if (size < 2 || data[0] != 0xff || data[1] != 0xfe) {
        QString text(size / 2, Qt::Uninitialized);
        qFromLittleEndian<char16_t>(bytes, size / 2, text.data());
        return text;
    }
    QString text(size - 2, Qt::Uninitialized);
    QChar* out = text.data();
    bool oneByte = true;
    for (qsizetype i = 2; i < size;) {
        if (data[i] == 0) {
            oneByte = !oneByte;
            ++i;
        } else if (oneByte) {
            *out++ = QChar(static_cast<char16_t>(data[i]));
            ++i;
        } else if (i + 1 < size) {
            *out++ = QChar(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
            i += 2;
        } else {
            break;
        }
    }
    text.truncate(out - text.constData());
    return text;
}

} // namespace db
