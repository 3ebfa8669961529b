// Watches a program's windows on an X server from outside, as a user's screen would show them.
//
//   xprobe startup PROGRAM   start-up: process start to the first frame of its first window, and
//                            the peak resident memory a second later
//   xprobe counting PROGRAM  Alt+V in the stopwatch, then the CPU taken while it counts
//   xprobe about PROGRAM     opens the About window (Tab, Tab, Space), times the typing of its
//                            notice, then the CPU taken while the window stays open
//
// "Process start" is the moment just before fork(). A window's "first frame" is the first damage
// the X server reports on it after it is mapped: the first time the program draws into it. The
// Damage extension is asked for every drawing into every top-level window from the moment the
// window is created, before the program can map or draw it, so no frame can be missed. There is no
// window manager, so a program's top-level windows are the root window's own children.
//
// Keys are sent with xdotool, as a user would type them. One line of "name=value" pairs is
// printed on standard output; anything that goes wrong ends the probe with status 1.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// libXdamage, loaded at run time: only its shared library is needed, not its headers.
using Damage = XID;
using DamageQuery = Bool (*)(Display*, int*, int*);
using DamageCreate = Damage (*)(Display*, Drawable, int);
constexpr int kDamageNotify = 0;
constexpr int kReportRawRectangles = 0;

struct DamageNotifyEvent {
    int type;
    unsigned long serial;
    Bool send_event;
    Display* display;
    Drawable drawable;
    Damage damage;
    int level;
    Bool more;
    Time timestamp;
    XRectangle area;
    XRectangle geometry;
};

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "xprobe: %s\n", why.c_str());
    std::exit(1);
}

int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

struct TopLevel {
    std::string title;
    double mapped = -1;
    double firstFrame = -1;
    double lastDamage = -1;
    long damages = 0;
};

// CPU time (utime + stime, in clock ticks) and voluntary context switches of a process.
struct Usage {
    double cpuSeconds = 0;
    long wakeups = 0;
};

Usage usageOf(pid_t pid) {
    Usage usage;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which is in parentheses and may hold spaces.
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        fail("cannot read /proc/PID/stat");
    std::istringstream fields(text.substr(close + 2));
    std::vector<std::string> field;
    for (std::string f; fields >> f;)
        field.push_back(f);
    // Fields 14 and 15 of the file (utime, stime) are 12 and 13 here, counting from 1 at "state".
    if (field.size() < 13)
        fail("short /proc/PID/stat");
    const double ticks = std::stod(field[11]) + std::stod(field[12]);
    usage.cpuSeconds = ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            usage.wakeups = std::stol(line.substr(24));
    }
    return usage;
}

long statusKiB(pid_t pid, const char* key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::strlen(key)));
    }
    return -1;
}

class Probe {
public:
    explicit Probe(const char* program) {
        display_ = XOpenDisplay(nullptr);
        if (display_ == nullptr)
            fail("no X display");
        XSetErrorHandler(ignoreErrors);
        void* library = dlopen("libXdamage.so.1", RTLD_NOW);
        if (library == nullptr)
            fail("libXdamage.so.1 is missing");
        auto query = reinterpret_cast<DamageQuery>(dlsym(library, "XDamageQueryExtension"));
        create_ = reinterpret_cast<DamageCreate>(dlsym(library, "XDamageCreate"));
        int error = 0;
        if (query == nullptr || create_ == nullptr || !query(display_, &damageBase_, &error))
            fail("the X server has no Damage extension");
        XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
        XSync(display_, False);

        start_ = nowMs();
        pid_ = fork();
        if (pid_ == 0) {
            char* const argv[] = {const_cast<char*>(program), nullptr};
            execv(program, argv);
            _exit(127);
        }
        if (pid_ < 0)
            fail("fork failed");
    }

    ~Probe() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        XCloseDisplay(display_);
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    pid_t pid() const { return pid_; }
    double start() const { return start_; }
    std::map<Window, TopLevel>& windows() { return windows_; }

    // Handles events until the condition holds, or fails after the timeout.
    template <class Condition> void until(Condition done, double timeoutMs, const char* what) {
        const double deadline = nowMs() + timeoutMs;
        while (!done()) {
            if (nowMs() > deadline)
                fail(std::string("timed out waiting for ") + what);
            pump(deadline - nowMs());
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                fail("the program ended early");
            }
        }
    }

    // Handles events for this long.
    void during(double ms) {
        const double end = nowMs() + ms;
        for (double left = ms; left > 0; left = end - nowMs())
            pump(left);
    }

    // The first mapped window with this title (or any title when empty) that has drawn a frame.
    Window framed(const std::string& title) {
        for (auto& [window, top] : windows_) {
            if (top.firstFrame >= 0 && (title.empty() || top.title == title))
                return window;
        }
        return 0;
    }

    void keys(Window window, const char* keys) {
        const std::string command = "xdotool windowfocus --sync " + std::to_string(window) +
                                    " key --delay 60 " + keys + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            fail("xdotool failed: " + command);
    }

private:
    void pump(double waitMs) {
        if (XPending(display_) == 0) {
            const int fd = ConnectionNumber(display_);
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(fd, &readable);
            const double ms = waitMs > 50 ? 50 : (waitMs < 0 ? 0 : waitMs);
            timeval timeout{0, static_cast<suseconds_t>(ms * 1000)};
            select(fd + 1, &readable, nullptr, nullptr, &timeout);
        }
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            const double at = nowMs();
            if (event.type == CreateNotify) {
                const XCreateWindowEvent& c = event.xcreatewindow;
                if (c.parent == DefaultRootWindow(display_) && !c.override_redirect) {
                    create_(display_, c.window, kReportRawRectangles);
                    windows_[c.window];
                }
            } else if (event.type == MapNotify) {
                auto found = windows_.find(event.xmap.window);
                if (found != windows_.end() && found->second.mapped < 0) {
                    found->second.mapped = at;
                    char* name = nullptr;
                    if (XFetchName(display_, event.xmap.window, &name) && name != nullptr) {
                        found->second.title = name;
                        XFree(name);
                    }
                }
            } else if (event.type == damageBase_ + kDamageNotify) {
                const auto& d = reinterpret_cast<const DamageNotifyEvent&>(event);
                auto found = windows_.find(d.drawable);
                if (found != windows_.end() && found->second.mapped >= 0) {
                    if (found->second.firstFrame < 0)
                        found->second.firstFrame = at;
                    found->second.lastDamage = at;
                    ++found->second.damages;
                }
            }
        }
    }

    Display* display_ = nullptr;
    DamageCreate create_ = nullptr;
    int damageBase_ = 0;
    pid_t pid_ = -1;
    double start_ = 0;
    std::map<Window, TopLevel> windows_;
};

double seconds(const char* variable, double fallback) {
    const char* value = std::getenv(variable);
    return value != nullptr ? std::atof(value) : fallback;
}

// CPU per wall time while nothing is done to the program, with its wakeups and its window's
// repaints per second.
void measureCpu(Probe& probe, Window window, double measureSeconds, const char* prefix) {
    const long damagesBefore = probe.windows()[window].damages;
    const Usage before = usageOf(probe.pid());
    const double from = nowMs();
    probe.during(measureSeconds * 1000);
    const Usage after = usageOf(probe.pid());
    const double wall = (nowMs() - from) / 1000;
    std::printf("%scpu_percent=%.4f %swakeups_per_s=%.1f %srepaints_per_s=%.2f\n", prefix,
                100 * (after.cpuSeconds - before.cpuSeconds) / wall, prefix,
                static_cast<double>(after.wakeups - before.wakeups) / wall, prefix,
                static_cast<double>(probe.windows()[window].damages - damagesBefore) / wall);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        fail("usage: xprobe startup|counting|about PROGRAM");
    const std::string mode = argv[1];
    Probe probe(argv[2]);
    probe.until([&] { return probe.framed("") != 0; }, 20000, "the first frame");
    const Window main = probe.framed("");
    const TopLevel first = probe.windows()[main];

    if (mode == "startup") {
        // Whatever the program does in its first second after the frame counts towards its peak.
        probe.during(1000);
        std::printf("mapped_ms=%.2f frame_ms=%.2f hwm_kib=%ld rss_kib=%ld\n",
                    first.mapped - probe.start(), first.firstFrame - probe.start(),
                    statusKiB(probe.pid(), "VmHWM:"), statusKiB(probe.pid(), "VmRSS:"));
    } else if (mode == "counting") {
        probe.during(300);
        probe.keys(main, "alt+v");
        probe.during(seconds("XPROBE_SETTLE_S", 2) * 1000);
        measureCpu(probe, main, seconds("XPROBE_MEASURE_S", 20), "");
    } else if (mode == "about") {
        probe.during(300);
        probe.keys(main, "Tab Tab space");
        const std::string title = "Informazioni su...";
        probe.until([&] { return probe.framed(title) != 0; }, 10000, "the About window");
        const Window about = probe.framed(title);
        // Typing is over once the About window has not been drawn for a second and a half.
        probe.until([&] { return nowMs() - probe.windows()[about].lastDamage > 1500; }, 30000,
                    "the end of the typing");
        const TopLevel& shown = probe.windows()[about];
        std::printf("about_typing_s=%.3f about_repaints=%ld\n",
                    (shown.lastDamage - shown.firstFrame) / 1000, shown.damages);
        measureCpu(probe, about, seconds("XPROBE_MEASURE_S", 20), "about_");
    } else {
        fail("unknown mode " + mode);
    }
    return 0;
}
