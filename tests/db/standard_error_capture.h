#pragma once

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <unistd.h>

// Collects what is written to standard error (descriptor 2) from its construction to text().
class StandardErrorCapture {
public:
    StandardErrorCapture() : file_(std::tmpfile()), saved_(::dup(STDERR_FILENO)) {
        std::fflush(stderr);
        ::dup2(::fileno(file_), STDERR_FILENO);
    }
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;
    ~StandardErrorCapture() {
        restore();
        std::fclose(file_);
    }

    QByteArray text() {
        restore();
        QFile written;
        if (!written.open(::fileno(file_), QIODevice::ReadOnly) || !written.seek(0))
            return {};
        return written.readAll();
    }

private:
    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }

    std::FILE* file_;
    int saved_;
};
