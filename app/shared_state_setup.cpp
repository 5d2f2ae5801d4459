#include "app/shared_state_setup.h"

#include <QGuiApplication>
#include <QtCore/private/qcoreapplication_p.h>
#include <qpa/qplatformnativeinterface.h>

namespace app::detail {

namespace {
constexpr const char* kStartupIdVariable = "DESKTOP_STARTUP_ID";
} // namespace

SharedStateSetUp::SharedStateSetUp() : startupId_(qgetenv(kStartupIdVariable)) {
    QCoreApplicationPrivate::initLocale();
    if (!startupId_.isNull())
        qunsetenv(kStartupIdVariable);
}

void SharedStateSetUp::handOverStartupId() const {
    if (startupId_.isEmpty())
        return;
    QPlatformNativeInterface* platform = QGuiApplication::platformNativeInterface();
    const auto setStartupId = platform != nullptr
                                  ? platform->nativeResourceFunctionForIntegration("setstartupid")
                                  : nullptr;
    // The platform hands its functions over under one generic type; this one takes the id.
    using SetStartupId = void (*)(const char*);
    using AnyFunction = void (*)();
    if (setStartupId != nullptr)
        reinterpret_cast<SetStartupId>(reinterpret_cast<AnyFunction>(setStartupId))(
            startupId_.constData());
}

} // namespace app::detail
