#pragma once

#include "app/application_setup.h"
#include "assets/embedded_database.h"

#include <QFile>
#include <QTemporaryDir>

// What the window benchmarks run in: the offscreen platform unless QT_QPA_PLATFORM says
// otherwise, the program's database, its application set up as the program sets it up, and a
// runtime directory of its own for the working copy.
class WindowBenchProcess {
public:
    explicit WindowBenchProcess(const char* programName)
        : prepared_(prepare()), application_(programName) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
    }

    QString runtimePath(const QString& name) const { return runtime_.filePath(name); }

private:
    // Before the application exists: the platform is chosen when it is made.
    static bool prepare() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        registerEmbeddedDatabase();
        return true;
    }

    bool prepared_;
    app::Application application_;
    QTemporaryDir runtime_;
};
