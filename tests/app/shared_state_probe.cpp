// Loaded into the program with LD_PRELOAD: reports every call that changes what all threads of
// the process share (environment, locale, signal dispositions, current directory, file mode mask)
// made while the process has more than one thread. Each report is one line on the file named by
// VORLANTIX_PROBE_LOG: the call, its argument, the number of threads and the library that made it.
// Calls made while the process has one thread, and locale queries, are not reported.

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

int logFile = -1;

template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The names of the process's threads, from /proc, which also sees threads that libraries start
// without the C++ library; returns how many there are.
int listThreads(char* names, size_t size) {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr)
        return -1;
    int count = 0;
    size_t used = 0;
    names[0] = '\0';
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        ++count;
        char path[sizeof "/proc/self/task//comm" + sizeof entry->d_name];
        std::snprintf(path, sizeof path, "/proc/self/task/%s/comm", entry->d_name);
        char name[32] = "?";
        if (const int comm = open(path, O_RDONLY | O_CLOEXEC); comm >= 0) {
            const ssize_t got = read(comm, name, sizeof name - 1);
            name[got > 0 ? got - 1 : 0] = '\0';
            close(comm);
        }
        const int added =
            std::snprintf(names + used, size - used, "%s%s", count > 1 ? ", " : "", name);
        if (added > 0 && used + static_cast<size_t>(added) < size)
            used += static_cast<size_t>(added);
    }
    closedir(tasks);
    return count;
}

void report(const char* call, const char* argument, const void* caller) {
    char threadNames[512];
    const int threads = listThreads(threadNames, sizeof threadNames);
    if (logFile < 0 || threads == 1)
        return;
    Dl_info where{};
    const char* library =
        dladdr(caller, &where) != 0 && where.dli_fname != nullptr ? where.dli_fname : "?";
    char line[1024];
    const int length =
        std::snprintf(line, sizeof line, "%s(%s) with %d threads (%s), from %s\n", call,
                      argument != nullptr ? argument : "", threads, threadNames, library);
    if (length > 0)
        (void)!write(logFile, line,
                     static_cast<size_t>(length) < sizeof line ? static_cast<size_t>(length)
                                                               : sizeof line - 1);
}

// Runs while the process has its one thread, before the program's main.
[[gnu::constructor]] void openLog() {
    if (const char* path = std::getenv("VORLANTIX_PROBE_LOG"))
        logFile = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
}

const char* signalName(int number) {
    const char* name = sigabbrev_np(number);
    return name != nullptr ? name : "?";
}

} // namespace

#define CALLER __builtin_return_address(0)

extern "C" {

char* setlocale(int category, const char* locale) noexcept {
    if (locale != nullptr) {
        char argument[256];
        std::snprintf(argument, sizeof argument, "%d, \"%s\"", category, locale);
        report("setlocale", argument, CALLER);
    }
    return next<char* (*)(int, const char*)>("setlocale")(category, locale);
}

int setenv(const char* name, const char* value, int overwrite) noexcept {
    report("setenv", name, CALLER);
    return next<int (*)(const char*, const char*, int)>("setenv")(name, value, overwrite);
}

int unsetenv(const char* name) noexcept {
    report("unsetenv", name, CALLER);
    return next<int (*)(const char*)>("unsetenv")(name);
}

int putenv(char* assignment) noexcept {
    report("putenv", assignment, CALLER);
    return next<int (*)(char*)>("putenv")(assignment);
}

int clearenv() noexcept {
    report("clearenv", nullptr, CALLER);
    return next<int (*)()>("clearenv")();
}

int chdir(const char* path) noexcept {
    report("chdir", path, CALLER);
    return next<int (*)(const char*)>("chdir")(path);
}

int fchdir(int descriptor) noexcept {
    report("fchdir", nullptr, CALLER);
    return next<int (*)(int)>("fchdir")(descriptor);
}

mode_t umask(mode_t mask) noexcept {
    report("umask", nullptr, CALLER);
    return next<mode_t (*)(mode_t)>("umask")(mask);
}

int sigaction(int number, const struct sigaction* action, struct sigaction* old) noexcept {
    if (action != nullptr)
        report("sigaction", signalName(number), CALLER);
    return next<int (*)(int, const struct sigaction*, struct sigaction*)>("sigaction")(number,
                                                                                       action, old);
}

sighandler_t signal(int number, sighandler_t handler) noexcept {
    report("signal", signalName(number), CALLER);
    return next<sighandler_t (*)(int, sighandler_t)>("signal")(number, handler);
}
}
