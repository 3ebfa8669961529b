// Watches a program's windows on an X server from outside, as a user's screen would show them.
//
//   xprobe startup PROGRAM [ARG...]   start-up: process start to the first mapped window (and to
//                                     its first frame), and the peak resident memory a second
//                                     later
//   xprobe counting PROGRAM [ARG...]  starts the count (keys in XPROBE_START_KEYS, Alt+V when
//                                     unset, none when empty), then measures the CPU and wake-ups
//                                     of every thread of the program, and the X server's CPU,
//                                     while it counts
//   xprobe lag PROGRAM [ARG...]       starts the count the same way, then dates every change of
//                                     the displayed time against the wall clock's second
//                                     boundaries
//   xprobe about PROGRAM              opens the About window (Tab, Tab, Space), times the typing
//                                     of its notice, then the CPU taken while the window stays open
//                                     (after the keys in XPROBE_ABOUT_KEYS, if any)
//
// "Process start" is the moment just before fork(). A window's "first frame" is the first damage
// the X server reports on it after it is mapped: the first time the program draws into it. The
// Damage extension is asked for every drawing into every top-level window from the moment the
// window is created, before the program can map or draw it, so no frame can be missed. There is no
// window manager, so a program's top-level windows are the root window's own children.
//
// CPU is read in nanoseconds from /proc/PID/task/*/schedstat, summed over the program's threads;
// wake-ups are the voluntary and involuntary context switches of every thread. The X server's
// CPU is read the same way when XPROBE_SERVER_PID names it.
//
// The lag: the program's display counts the wall clock's seconds from its start (read once, then
// advanced by a clock that only moves forward), so its second boundaries are those of
// CLOCK_REALTIME, carried forward from the fork by CLOCK_BOOTTIME. The probe first learns where
// the display is: the box around everything drawn in the window while it counts. From then on,
// after each burst of damage inside that box it reads the box's pixels (XGetImage) and hashes
// them; a new hash is a repaint the user can see, dated by the burst's first damage event.
// Damage that leaves the pixels as they were is no repaint, however many rectangles it has.
//
// Keys are sent with xdotool, as a user would type them. One line of "name=value" pairs is
// printed on standard output; anything that goes wrong ends the probe with status 1.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <dirent.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
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

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

std::int64_t nanosOf(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<std::int64_t>(t.tv_sec) * kNanosPerSecond + t.tv_nsec;
}

// Every time the probe takes is CLOCK_BOOTTIME, the clock the program advances its seconds by.
double nowMs() {
    return static_cast<double>(nanosOf(CLOCK_BOOTTIME)) / 1e6;
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

struct DamageSeen {
    Window window;
    double at;
    XRectangle area;
};

// CPU time in nanoseconds and context switches, summed over every thread of a process.
struct Usage {
    std::int64_t cpuNanos = 0;
    long switches = 0;
    int threads = 0;
};

Usage usageOf(pid_t pid) {
    Usage usage;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr)
        fail("cannot read " + tasks);
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string task = tasks + "/" + entry->d_name;
        std::ifstream schedstat(task + "/schedstat");
        long long onCpu = 0;
        if (!(schedstat >> onCpu))
            continue; // the thread has just ended
        usage.cpuNanos += onCpu;
        ++usage.threads;
        std::ifstream status(task + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                usage.switches += std::stol(line.substr(24));
            else if (line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                usage.switches += std::stol(line.substr(27));
        }
    }
    closedir(dir);
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

pid_t serverPid() {
    const char* value = std::getenv("XPROBE_SERVER_PID");
    return value != nullptr ? static_cast<pid_t>(std::atol(value)) : 0;
}

class Probe {
public:
    explicit Probe(char** command) {
        // A server still busy with the last program's goodbye may refuse for a moment.
        for (int attempt = 0; attempt < 40 && display_ == nullptr; ++attempt) {
            display_ = XOpenDisplay(nullptr);
            if (display_ == nullptr)
                usleep(50000);
        }
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

        // Where the wall clock's seconds fall on the probe's clock.
        const std::int64_t boot = nanosOf(CLOCK_BOOTTIME);
        const std::int64_t wall = nanosOf(CLOCK_REALTIME);
        wallMinusBoot_ = wall - (boot + nanosOf(CLOCK_BOOTTIME)) / 2;

        // The probe dates what it sees when it sees it, so it runs ahead of the rest of a busy
        // machine where it may; the program it starts runs at the priority the probe was given.
        errno = 0;
        const int given = getpriority(PRIO_PROCESS, 0);
        const bool raised = errno == 0 && setpriority(PRIO_PROCESS, 0, given - 10) == 0;

        start_ = nowMs();
        pid_ = fork();
        if (pid_ == 0) {
            if (raised)
                setpriority(PRIO_PROCESS, 0, given);
            execvp(command[0], command);
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

    Display* display() const { return display_; }
    pid_t pid() const { return pid_; }
    double start() const { return start_; }
    std::int64_t wallMinusBoot() const { return wallMinusBoot_; }
    std::map<Window, TopLevel>& windows() { return windows_; }
    // Damage on mapped windows since the log was last cleared.
    std::vector<DamageSeen>& damageLog() { return log_; }

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

    // The first window mapped, framed or not.
    Window mapped() {
        Window first = 0;
        double at = 0;
        for (auto& [window, top] : windows_) {
            if (top.mapped >= 0 && (first == 0 || top.mapped < at)) {
                first = window;
                at = top.mapped;
            }
        }
        return first;
    }

    void keys(Window window, const std::string& keys) {
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
                    log_.push_back({d.drawable, at, d.area});
                }
            }
        }
        // Nobody reads the log before a measurement; keep it from growing without end.
        if (log_.size() > 100000)
            log_.clear();
    }

    Display* display_ = nullptr;
    DamageCreate create_ = nullptr;
    int damageBase_ = 0;
    pid_t pid_ = -1;
    double start_ = 0;
    std::int64_t wallMinusBoot_ = 0;
    std::map<Window, TopLevel> windows_;
    std::vector<DamageSeen> log_;
};

double setting(const char* variable, double fallback) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0' ? std::atof(value) : fallback;
}

// Starts the count: the keys a user would press, if any.
void startCounting(Probe& probe, Window window) {
    const char* keys = std::getenv("XPROBE_START_KEYS");
    const std::string chosen = keys != nullptr ? keys : "alt+v";
    probe.during(300);
    if (!chosen.empty())
        probe.keys(window, chosen);
    probe.during(setting("XPROBE_SETTLE_S", 2) * 1000);
}

// CPU per wall time while nothing is done to the program, with its wake-ups, its window's damage
// per second, the X server's CPU over the same time and the program's memory at the end.
void measureCpu(Probe& probe, Window window, double measureSeconds, const char* prefix) {
    const long damagesBefore = probe.windows()[window].damages;
    const pid_t server = serverPid();
    const Usage serverBefore = server > 0 ? usageOf(server) : Usage{};
    const Usage before = usageOf(probe.pid());
    const double from = nowMs();
    probe.during(measureSeconds * 1000);
    const Usage after = usageOf(probe.pid());
    const Usage serverAfter = server > 0 ? usageOf(server) : Usage{};
    const double wall = (nowMs() - from) / 1000;
    std::printf("%scpu_percent=%.5f %swakeups_per_s=%.3f %sdamages_per_s=%.3f "
                "%sserver_cpu_percent=%.5f %sthreads=%d %srss_kib=%ld %shwm_kib=%ld\n",
                prefix, 100 * static_cast<double>(after.cpuNanos - before.cpuNanos) / 1e9 / wall,
                prefix, static_cast<double>(after.switches - before.switches) / wall, prefix,
                static_cast<double>(probe.windows()[window].damages - damagesBefore) / wall, prefix,
                100 * static_cast<double>(serverAfter.cpuNanos - serverBefore.cpuNanos) / 1e9 /
                    wall,
                prefix, after.threads, prefix, statusKiB(probe.pid(), "VmRSS:"), prefix,
                statusKiB(probe.pid(), "VmHWM:"));
}

bool overlaps(const XRectangle& a, const XRectangle& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

std::uint64_t hashOf(Display* display, Window window, const XRectangle& box) {
    XImage* image =
        XGetImage(display, window, box.x, box.y, box.width, box.height, AllPlanes, ZPixmap);
    if (image == nullptr)
        fail("XGetImage failed on the display's box");
    std::uint64_t hash = 1469598103934665603ULL; // FNV-1a
    const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * box.height;
    for (std::size_t i = 0; i < bytes; ++i) {
        hash ^= static_cast<unsigned char>(image->data[i]);
        hash *= 1099511628211ULL;
    }
    XDestroyImage(image);
    return hash;
}

void measureLag(Probe& probe, Window window) {
    auto& log = probe.damageLog();
    // Where the display is: everything drawn while the count runs, for a few seconds.
    log.clear();
    probe.during(setting("XPROBE_LEARN_S", 3) * 1000);
    XRectangle box{0, 0, 0, 0};
    for (const DamageSeen& seen : log) {
        if (seen.window != window)
            continue;
        if (box.width == 0) {
            box = seen.area;
            continue;
        }
        const int left = std::min(box.x, seen.area.x);
        const int top = std::min(box.y, seen.area.y);
        const int right = std::max(box.x + box.width, seen.area.x + seen.area.width);
        const int bottom = std::max(box.y + box.height, seen.area.y + seen.area.height);
        box = {static_cast<short>(left), static_cast<short>(top),
               static_cast<unsigned short>(right - left),
               static_cast<unsigned short>(bottom - top)};
    }
    if (box.width == 0)
        fail("nothing was drawn while counting");

    const int wanted = static_cast<int>(setting("XPROBE_BOUNDARIES", 120));
    if (wanted < 1)
        fail("XPROBE_BOUNDARIES must be at least 1");
    std::vector<double> lags;
    std::vector<std::int64_t> boundaries;
    std::uint64_t shown = hashOf(probe.display(), window, box);
    long bursts = 0;
    long unchanged = 0;
    log.clear();
    while (static_cast<int>(lags.size()) < wanted) {
        probe.until([&] { return !log.empty(); }, 5000, "a repaint of the display");
        const double first = log.front().at;
        // The rest of the burst: a repaint's rectangles come within a few milliseconds.
        probe.during(4);
        const bool onDisplay = std::any_of(log.begin(), log.end(), [&](const DamageSeen& s) {
            return s.window == window && overlaps(s.area, box);
        });
        log.clear();
        if (!onDisplay)
            continue;
        ++bursts;
        const std::uint64_t hash = hashOf(probe.display(), window, box);
        if (hash == shown) {
            ++unchanged;
            continue;
        }
        shown = hash;
        // Into the wall clock's second, in ms: a change just before a boundary counts as early.
        const std::int64_t wall = static_cast<std::int64_t>(first * 1e6) + probe.wallMinusBoot();
        double into = static_cast<double>(wall % kNanosPerSecond) / 1e6;
        if (into > 800)
            into -= 1000;
        lags.push_back(into);
        boundaries.push_back((wall - static_cast<std::int64_t>(into * 1e6) + kNanosPerSecond / 2) /
                             kNanosPerSecond);
    }
    // Each boundary should bring exactly one change: more is a display drawn in several steps,
    // fewer a second that was never shown.
    const auto spanned = boundaries.back() - boundaries.front() + 1;
    std::sort(boundaries.begin(), boundaries.end());
    const auto changed = std::unique(boundaries.begin(), boundaries.end()) - boundaries.begin();
    std::printf("box=%dx%d+%d+%d repaints=%zu damage_bursts=%ld bursts_without_change=%ld "
                "boundaries_missed=%lld changes_beyond_one=%lld lags_ms=",
                box.width, box.height, box.x, box.y, lags.size(), bursts, unchanged,
                static_cast<long long>(spanned - changed),
                static_cast<long long>(static_cast<std::int64_t>(lags.size()) - changed));
    for (std::size_t i = 0; i < lags.size(); ++i)
        std::printf("%s%.3f", i == 0 ? "" : ",", lags[i]);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        fail("usage: xprobe startup|counting|lag|about PROGRAM [ARG...]");
    const std::string mode = argv[1];
    Probe probe(argv + 2);
    probe.until([&] { return probe.framed("") != 0; }, 30000, "the first frame");
    const Window main = probe.framed("");
    const Window firstMapped = probe.mapped();
    const TopLevel first = probe.windows()[firstMapped];

    if (mode == "startup") {
        // Whatever the program does in its first second after the frame counts towards its peak.
        probe.during(1000);
        std::printf("mapped_ms=%.2f frame_ms=%.2f hwm_kib=%ld rss_kib=%ld\n",
                    first.mapped - probe.start(), probe.windows()[main].firstFrame - probe.start(),
                    statusKiB(probe.pid(), "VmHWM:"), statusKiB(probe.pid(), "VmRSS:"));
    } else if (mode == "counting") {
        startCounting(probe, main);
        measureCpu(probe, main, setting("XPROBE_MEASURE_S", 20), "");
    } else if (mode == "lag") {
        startCounting(probe, main);
        measureLag(probe, main);
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
        // Keys for the About window once its notice is typed ("alt+m" shows the memory panel).
        if (const char* keys = std::getenv("XPROBE_ABOUT_KEYS"); keys != nullptr && *keys) {
            probe.keys(about, keys);
            probe.during(setting("XPROBE_SETTLE_S", 2) * 1000);
        }
        measureCpu(probe, about, setting("XPROBE_MEASURE_S", 20), "about_");
    } else {
        fail("unknown mode " + mode);
    }
    return 0;
}
