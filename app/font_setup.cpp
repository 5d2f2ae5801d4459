#include "app/font_setup.h"

#include <QFile>

#include <fontconfig/fontconfig.h>

namespace app {

QByteArray fontRules() {
    QFile rules(QStringLiteral(":/assets/fonts.conf"));
    if (!rules.open(QIODevice::ReadOnly))
        return {};
    return rules.readAll();
}

void installFontRules(const QByteArray& rules) {
    FcInit();
    // Without the rules the window falls back to the desktop's CJK font; nothing to report.
    if (!rules.isEmpty())
        FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(),
                                       reinterpret_cast<const FcChar8*>(rules.constData()), FcTrue);
}

void setUpFonts() {
    installFontRules(fontRules());
}

} // namespace app
