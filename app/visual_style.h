#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <variant>

class QApplication;

namespace app {

// A style the program carries itself: a Qt style sheet under a name.
struct LoadedStyle {
    QString name;
    QString styleSheet;
};

struct NoStyle {};
struct BuiltInStyle {
    QString key; // as QStyleFactory knows it
};
using FoundStyle = std::variant<NoStyle, LoadedStyle, BuiltInStyle>;

// Looks a style up by name, letter case ignored: first among the loaded styles, then among the
// built-in ones.
FoundStyle findVisualStyle(const QString& name, const QList<LoadedStyle>& loaded,
                           const QStringList& builtIn);

// The styles compiled into the program: "Silver", unpacked from its zlib-compressed style sheet.
// A style whose data cannot be unpacked is left out.
QList<LoadedStyle> programStyles();

// Applies the style `name` to the whole application. When there is none of that name, shows the
// box "Style '<name>' not found" and leaves the platform's plain look.
void applyVisualStyle(QApplication& application, const QString& name,
                      const QList<LoadedStyle>& loaded);

} // namespace app
