#pragma once

#include <QStringView>

namespace app {

// Captions every message box and error report of the program and names its task-bar entry. Kept
// here instead of in Qt's application display name, which Qt would append to the window caption.
inline constexpr QStringView kApplicationTitle = u"Vorlantix";

} // namespace app
