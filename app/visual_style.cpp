#include "app/visual_style.h"

#include "app/message_box.h"
#include "app/zlib_inflate.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

namespace app {
namespace {

// Loaded styles are drawn over Fusion, so that they look the same whatever the desktop's
// default style is.
constexpr QStringView kStyleSheetBase = u"Fusion";

} // namespace

FoundStyle findVisualStyle(const QString& name, const QList<LoadedStyle>& loaded,
                           const QStringList& builtIn) {
    for (const LoadedStyle& style : loaded) {
        if (style.name.compare(name, Qt::CaseInsensitive) == 0)
            return style;
    }
    for (const QString& key : builtIn) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return BuiltInStyle{key};
    }
    return NoStyle{};
}

QList<LoadedStyle> programStyles() {
    QFile file(QStringLiteral(":/styles/silver.qss.z"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    try {
        return {{QStringLiteral("Silver"), QString::fromUtf8(inflateZlib(file.readAll()))}};
    } catch (const InflateError&) {
        return {};
    }
}

void applyVisualStyle(QApplication& application, const QString& name,
                      const QList<LoadedStyle>& loaded) {
    const FoundStyle found = findVisualStyle(name, loaded, QStyleFactory::keys());
    if (const auto* style = std::get_if<LoadedStyle>(&found)) {
        application.setStyle(kStyleSheetBase.toString());
        application.setStyleSheet(style->styleSheet);
    } else if (const auto* builtIn = std::get_if<BuiltInStyle>(&found)) {
        application.setStyle(builtIn->key);
    } else {
        showModalBox(QMessageBox::Critical, QStringLiteral("Error"),
                     QStringLiteral("Style '%1' not found").arg(name), QStringLiteral("&Close"));
    }
}

} // namespace app
