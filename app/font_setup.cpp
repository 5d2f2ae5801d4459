#include "app/font_setup.h"

#include <QFile>

#include <fontconfig/fontconfig.h>

namespace app {

void setUpFonts() {
    QFile rules(QStringLiteral(":/assets/fonts.conf"));
    if (!rules.open(QIODevice::ReadOnly))
        return;
    const QByteArray xml = rules.readAll();
    FcInit();
    // Without the rules the window falls back to the desktop's CJK font; nothing to report.
    FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(),
                                   reinterpret_cast<const FcChar8*>(xml.constData()), FcTrue);
}

} // namespace app
