#include "app/error_report.h"

#include "app/application_title.h"
#include "app/message_box.h"

#include <stdexcept>

namespace app {
namespace {

QString innermostMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        const auto* wrapper = dynamic_cast<const std::nested_exception*>(&e);
        if (wrapper && wrapper->nested_ptr()) {
            QString inner = innermostMessage(wrapper->nested_ptr());
            if (!inner.isEmpty())
                return inner;
        }
        return QString::fromUtf8(e.what());
    } catch (...) {
        return {};
    }
}

} // namespace

QString errorReportText(const std::exception_ptr& error) {
    QString text = innermostMessage(error);
    if (!text.isEmpty() && text.back().unicode() > u'.')
        text += u'.';
    return text;
}

void showErrorReport(const std::exception_ptr& error) {
    showModalBox(QMessageBox::Critical, kApplicationTitle.toString(), errorReportText(error),
                 QStringLiteral("OK"));
}

} // namespace app
