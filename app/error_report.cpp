#include "app/error_report.h"

#include "app/application_title.h"
#include "app/message_box.h"

#include <cstdio>
#include <stdexcept>

using namespace Qt::StringLiterals;

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

void logError(const QString& what, const std::exception_ptr& error) {
    const QString text = u"vorlantix: "_s + what + u": "_s + errorReportText(error);
    QString line;
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            line += u"\\x%1"_s.arg(c.unicode(), 2, 16, QChar(u'0'));
        else
            line += c;
    }
    line += u'\n';
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void showErrorReport(const std::exception_ptr& error) {
    showModalBox(QMessageBox::Critical, kApplicationTitle.toString(), errorReportText(error),
                 QStringLiteral("OK"));
}

} // namespace app
