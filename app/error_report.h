#pragma once

#include <QString>

#include <exception>
#include <utility>

namespace app {

// The text the error report shows for `error`: the message of the innermost error it wraps
// (std::nested_exception) unless that one is empty, with "." appended when the message does not
// end in "." or a character below it. "Cannot open file" gives "Cannot open file."; "Done!" stays.
QString errorReportText(const std::exception_ptr& error);

// Writes one line to standard error: "vorlantix: ", `what`, ": " and the error report's text for
// `error`, which names the file, the operation and the system's reason where there is one.
// Control characters (a line break in a directory's name) are written as escapes such as "\x0a",
// so the line stays one line.
void logError(const QString& what, const std::exception_ptr& error);

// Shows `error` in the program's error report: captioned with the application title, with the
// error icon and one OK button. Returns when the user has closed it.
void showErrorReport(const std::exception_ptr& error);

// Runs an event handler so that nothing it throws unwinds through Qt: the error is reported and
// the event loop goes on.
template <typename Handler>
void runReportingErrors(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        showErrorReport(std::current_exception());
    }
}

} // namespace app
