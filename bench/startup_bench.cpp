// Start-up as a user feels it: the time from exec until a program's window is on the screen.
//
//   startup_bench [--pairs N] [--empty-reference] [SUBJECT [REFERENCE]]
//
// Starts SUBJECT (by default the release program) and REFERENCE (by default reference_window, a
// window of the same size showing one line of Chinese) in turn: one warm-up pair, then N pairs
// (11 unless told), alternating which of the two goes first. For each start it takes, on an X
// server, the time from just before exec until the program's first top-level window is mapped
// (MapNotify) and until the program first draws into it (the first DAMAGE report after the map),
// then closes the window as a window manager would (WM_DELETE_WINDOW) and takes the process's
// peak resident memory from wait4(). Prints each median and the median of the per-pair ratios.
// --empty-reference starts the reference window without its text (the memory yardstick).
//
// With DISPLAY unset it starts its own Xvfb (-displayfd) and stops it at the end, so it runs
// on a machine without a desktop. Each program gets a private XDG_RUNTIME_DIR.
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWindowTimeout = std::chrono::seconds(120);
constexpr auto kExitTimeout = std::chrono::seconds(60);

[[noreturn]] void die(const std::string& text) {
    std::fprintf(stderr, "startup_bench: %s\n", text.c_str());
    std::exit(1);
}

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

pid_t spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnv) {
    std::vector<std::string> environment(extraEnv);
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry(*variable);
        const std::string name = entry.substr(0, entry.find('='));
        const bool overridden = std::any_of(extraEnv.begin(), extraEnv.end(), [&](auto& extra) {
            return extra.compare(0, name.size() + 1, name + '=') == 0;
        });
        if (!overridden)
            environment.push_back(entry);
    }
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    envp.reserve(environment.size() + 1);
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data());
    if (error != 0)
        die("cannot start " + arguments[0] + ": " + std::strerror(error));
    return pid;
}

// An Xvfb of our own, for a machine without a display.
class OwnXServer {
public:
    OwnXServer() {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            die("pipe failed");
        pid_ = spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(pipeEnds[1]), "-screen", "0",
                      "1280x1024x24", "-nolisten", "tcp"},
                     {});
        ::close(pipeEnds[1]);
        std::string number;
        char c = 0;
        while (::read(pipeEnds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(pipeEnds[0]);
        if (number.empty())
            die("Xvfb did not start");
        ::setenv("DISPLAY", (':' + number).c_str(), 1);
    }
    ~OwnXServer() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    OwnXServer(const OwnXServer&) = delete;
    OwnXServer& operator=(const OwnXServer&) = delete;

private:
    pid_t pid_ = 0;
};

struct Start {
    double mapped = 0;  // ms from exec to the window's MapNotify
    double painted = 0; // ms from exec to the first drawing into it after the map
    long peakKib = 0;   // the process's peak resident set
};

class Watcher {
public:
    Watcher() {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_) != 0)
            die("cannot connect to the X server");
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const xcb_query_extension_reply_t* damage =
            xcb_get_extension_data(connection_, &xcb_damage_id);
        if (damage == nullptr || damage->present == 0)
            die("the X server has no DAMAGE extension");
        damageNotify_ = static_cast<uint8_t>(damage->first_event + XCB_DAMAGE_NOTIFY);
        free(xcb_damage_query_version_reply(connection_,
                                            xcb_damage_query_version(connection_, 1, 1), nullptr));
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        protocols_ = atom("WM_PROTOCOLS");
        deleteWindow_ = atom("WM_DELETE_WINDOW");
        xcb_flush(connection_);
    }
    ~Watcher() { xcb_disconnect(connection_); }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    Start run(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& runtimeDir) {
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const Clock::time_point exec = Clock::now();
        const pid_t pid = spawn(argv, {"XDG_RUNTIME_DIR=" + runtimeDir, "QT_QPA_PLATFORM=xcb"});
        Start start;
        std::optional<Clock::time_point> mapped;
        std::optional<Clock::time_point> painted;
        xcb_window_t window = XCB_NONE;
        while (!painted) {
            xcb_generic_event_t* event = nextEvent(exec + kWindowTimeout);
            if (event == nullptr) {
                ::kill(pid, SIGKILL);
                die(program + " showed no window in time");
            }
            const Clock::time_point now = Clock::now();
            const auto type = static_cast<uint8_t>(event->response_type & 0x7f);
            if (type == XCB_CREATE_NOTIFY) {
                const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                if (created->parent == root_)
                    watchDrawing(created->window);
            } else if (type == XCB_MAP_NOTIFY && !mapped) {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                if (map->override_redirect == 0 && damages_.count(map->window) != 0) {
                    window = map->window;
                    mapped = now;
                }
            } else if (type == damageNotify_) {
                const auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(event);
                // Report the next drawing too: the first may come before the map.
                xcb_damage_subtract(connection_, damage->damage, XCB_NONE, XCB_NONE);
                xcb_flush(connection_);
                if (mapped && damage->drawable == window)
                    painted = now;
            }
            free(event);
        }
        start.mapped = millisecondsBetween(exec, *mapped);
        start.painted = millisecondsBetween(exec, *painted);
        requestClose(window);
        start.peakKib = waitForExit(pid, program);
        for (const auto& [watched, damage] : damages_)
            xcb_damage_destroy(connection_, damage);
        damages_.clear();
        xcb_flush(connection_);
        drainEvents();
        return start;
    }

private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        if (reply == nullptr)
            die(std::string("cannot intern ") + name);
        const xcb_atom_t value = reply->atom;
        free(reply);
        return value;
    }

    void watchDrawing(xcb_window_t window) {
        const xcb_damage_damage_t damage = xcb_generate_id(connection_);
        xcb_damage_create(connection_, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_flush(connection_);
        damages_[window] = damage;
    }

    // The next event, or nullptr at `deadline`. X errors (a window gone before we watched it)
    // are skipped.
    xcb_generic_event_t* nextEvent(Clock::time_point deadline) {
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                if (event->response_type != 0)
                    return event;
                free(event);
            }
            if (xcb_connection_has_error(connection_) != 0)
                die("lost the X server");
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return nullptr;
            pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
            ::poll(&descriptor, 1, static_cast<int>(left.count()));
        }
    }

    void drainEvents() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
            free(event);
    }

    // What a window manager sends for the title bar's close button.
    void requestClose(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = protocols_;
        message.data.data32[0] = deleteWindow_;
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection_);
    }

    static long waitForExit(pid_t pid, const std::string& program) {
        const Clock::time_point deadline = Clock::now() + kExitTimeout;
        for (;;) {
            int status = 0;
            rusage usage{};
            const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
            if (done == pid) {
                if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                    std::fprintf(stderr, "startup_bench: %s ended abnormally (status %d)\n",
                                 program.c_str(), status);
                return usage.ru_maxrss;
            }
            if (Clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                ::wait4(pid, &status, 0, &usage);
                die(program + " did not close");
            }
            ::usleep(1000);
        }
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    uint8_t damageNotify_ = 0;
    xcb_atom_t protocols_ = XCB_NONE;
    xcb_atom_t deleteWindow_ = XCB_NONE;
    std::map<xcb_window_t, xcb_damage_damage_t> damages_;
};

struct Series {
    std::vector<double> mapped, painted, peakKib;
    void add(const Start& start) {
        mapped.push_back(start.mapped);
        painted.push_back(start.painted);
        peakKib.push_back(static_cast<double>(start.peakKib));
    }
};

std::vector<double> ratios(const std::vector<double>& subject, const std::vector<double>& base) {
    std::vector<double> result;
    for (size_t i = 0; i < subject.size(); ++i)
        result.push_back(subject[i] / base[i]);
    return result;
}

} // namespace

int main(int argc, char* argv[]) {
    int pairs = 11;
    std::vector<std::string> referenceArguments;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--pairs" && i + 1 < argc)
            pairs = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--empty-reference")
            referenceArguments = {"--empty"};
        else if (argument.rfind("--", 0) == 0)
            die("usage: startup_bench [--pairs N] [--empty-reference] [SUBJECT [REFERENCE]]");
        else
            programs.push_back(argument);
    }
    const std::string subject = programs.size() > 0 ? programs[0] : VORLANTIX_PROGRAM;
    const std::string reference = programs.size() > 1 ? programs[1] : REFERENCE_WINDOW;

    std::unique_ptr<OwnXServer> ownServer;
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        ownServer = std::make_unique<OwnXServer>();
    char runtimeTemplate[] = "/tmp/startup_bench.XXXXXX";
    if (::mkdtemp(runtimeTemplate) == nullptr)
        die("cannot create a runtime directory");
    const std::string runtimeDir = runtimeTemplate;

    Series subjectTimes, referenceTimes;
    {
        Watcher watcher;
        watcher.run(subject, {}, runtimeDir);
        watcher.run(reference, referenceArguments, runtimeDir);
        for (int pair = 0; pair < pairs; ++pair) {
            // Alternate which goes first, so that neither always follows the other.
            if (pair % 2 == 0) {
                subjectTimes.add(watcher.run(subject, {}, runtimeDir));
                referenceTimes.add(watcher.run(reference, referenceArguments, runtimeDir));
            } else {
                referenceTimes.add(watcher.run(reference, referenceArguments, runtimeDir));
                subjectTimes.add(watcher.run(subject, {}, runtimeDir));
            }
        }
    }
    ::rmdir(runtimeDir.c_str());

    std::printf("%d pairs after a warm-up pair, DISPLAY=%s\n", pairs, std::getenv("DISPLAY"));
    std::printf("subject:   %s\nreference: %s\n", subject.c_str(), reference.c_str());
    std::printf("%-30s %10s %10s %8s\n", "median", "subject", "reference", "ratio");
    std::printf("%-30s %8.1f ms %8.1f ms %7.2fx\n", "exec to window mapped",
                median(subjectTimes.mapped), median(referenceTimes.mapped),
                median(ratios(subjectTimes.mapped, referenceTimes.mapped)));
    std::printf("%-30s %8.1f ms %8.1f ms %7.2fx\n", "exec to first drawing",
                median(subjectTimes.painted), median(referenceTimes.painted),
                median(ratios(subjectTimes.painted, referenceTimes.painted)));
    std::printf("%-30s %7.1f MiB %7.1f MiB %+6.1f MiB\n", "peak resident memory",
                median(subjectTimes.peakKib) / 1024, median(referenceTimes.peakKib) / 1024,
                (median(subjectTimes.peakKib) - median(referenceTimes.peakKib)) / 1024);
    std::printf("(ratio: the median of the per-pair ratios; memory: subject minus reference)\n");
    return 0;
}
