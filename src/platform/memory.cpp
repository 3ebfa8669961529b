// The machine's memory figures, as the operating system gives them.
#include "platform/memory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <utility>

#if defined(__linux__)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace velti {

namespace {

#if defined(__linux__)
// The highest user address the kernel gives a process, by architecture.
constexpr std::uint64_t userAddressSpace() {
#if defined(__x86_64__)
    return 0x7ffffffff000ULL;
#elif defined(__aarch64__)
    return 0x1000000000000ULL;
#elif UINTPTR_MAX == 0xffffffffULL
    return 0xc0000000ULL;
#else
    return 0x7ffffffff000ULL;
#endif
}

// Reads the file from its start to its end into buffer, which grows as the file needs, and ends
// the text with a NUL; returns its length. /proc/meminfo outgrows one page on machines with many
// kinds of memory, and a figure cut at the page's end would be shown as a smaller one: the text
// returned always ends with a whole line. When the file cannot be read to its end (an error, or a
// file larger than any meminfo), the last line read may be cut short, and is left out.
//
// A read that leaves room in the buffer has reached the end: the kernel makes each of these /proc
// files whole, in one go, before the first byte is read, and a regular file reads short only at
// its end. So a query costs one read of each file, not a second one that finds nothing more; the
// About window queries on every tick.
std::size_t readWhole(int fd, std::vector<char>& buffer) {
    constexpr std::size_t largest = std::size_t{1} << 20;
    if (fd < 0)
        return 0;
    std::size_t length = 0;
    bool whole = false;
    while (!whole) {
        if (buffer.size() - length < 2) {
            if (buffer.size() >= largest)
                break;
            buffer.resize(std::max<std::size_t>(4096, 2 * buffer.size()));
        }
        const std::size_t room = buffer.size() - 1 - length;
        const ssize_t read = pread(fd, buffer.data() + length, room, static_cast<off_t>(length));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            break;
        length += static_cast<std::size_t>(read);
        whole = static_cast<std::size_t>(read) < room;
    }
    if (!whole) {
        const auto lineEnd =
            std::find(std::make_reverse_iterator(buffer.begin() + length), buffer.rend(), '\n');
        length = static_cast<std::size_t>(buffer.rend() - lineEnd);
    }
    buffer[length] = '\0';
    return length;
}

// Opens a file that a read can never block on. /proc files are regular files; a FIFO, a device
// or a socket put in their place could keep the program waiting for ever, so it is not read.
int openRegular(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat file {};
    if (fd >= 0 && (fstat(fd, &file) != 0 || !S_ISREG(file.st_mode))) {
        close(fd);
        return -1;
    }
    return fd;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// The whole number at text, times unit, with only blanks around it up to end: false when it is
// missing, signed, or too large for 64 bits, so that no such figure is ever shown.
bool parseFigure(const char* text, const char* end, std::uint64_t unit, std::uint64_t* figure) {
    while (text < end && isBlank(*text))
        ++text;
    if (text == end || *text < '0' || *text > '9')
        return false;
    std::uint64_t value = 0;
    for (; text < end && *text >= '0' && *text <= '9'; ++text) {
        if (__builtin_mul_overflow(value, 10u, &value) ||
            __builtin_add_overflow(value, unsigned(*text - '0'), &value))
            return false;
    }
    while (text < end && isBlank(*text))
        ++text;
    return text == end && !__builtin_mul_overflow(value, unit, figure);
}

// The value of a "Key:   1234 kB" line, in bytes; 0 when the key is missing or its value is not
// a figure.
std::uint64_t meminfoField(const char* text, const char* key) {
    const std::size_t length = std::strlen(key);
    for (const char* line = text; *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        if (end == nullptr)
            end = line + std::strlen(line);
        if (std::strncmp(line, key, length) == 0) {
            const char* value = line + length;
            const char* unit = end;
            const bool kiloBytes = end - value >= 2 && std::strncmp(end - 2, "kB", 2) == 0;
            if (kiloBytes)
                unit = end - 2;
            std::uint64_t figure = 0;
            return parseFigure(value, unit, kiloBytes ? 1024 : 1, &figure) ? figure : 0;
        }
        line = *end == '\n' ? end + 1 : end;
    }
    return 0;
}
#endif

} // namespace

SystemMemoryQuery::SystemMemoryQuery(std::string meminfoPath, std::string statmPath)
    : meminfoPath_(std::move(meminfoPath)), statmPath_(std::move(statmPath)) {}

void SystemMemoryQuery::openMissing() {
#if defined(__linux__)
    if (!opened_) {
        const long page = sysconf(_SC_PAGESIZE);
        if (page > 0)
            pageSize_ = static_cast<std::uint64_t>(page);
        addressSpace_ = userAddressSpace();
    }
    if (meminfo_ < 0)
        meminfo_ = openRegular(meminfoPath_);
    if (statm_ < 0)
        statm_ = openRegular(statmPath_);
#endif
    opened_ = true;
}

SystemMemoryQuery::~SystemMemoryQuery() {
#if defined(__linux__)
    if (meminfo_ >= 0)
        close(meminfo_);
    if (statm_ >= 0)
        close(statm_);
#endif
}

MemoryStatus SystemMemoryQuery::query() {
    openMissing();
    MemoryStatus status;
#if defined(__linux__)
    if (readWhole(meminfo_, buffer_) > 0) {
        status.totalPhysical = meminfoField(buffer_.data(), "MemTotal:");
        status.availablePhysical = meminfoField(buffer_.data(), "MemAvailable:");
    }
    std::uint64_t limit = addressSpace_;
    rlimit as{};
    if (getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY)
        limit = std::min<std::uint64_t>(limit, as.rlim_cur);
    // statm starts with the pages of the address space in use.
    if (const std::size_t read = readWhole(statm_, buffer_); read > 0) {
        const char* end = std::find_if(buffer_.data(), buffer_.data() + read, isBlank);
        std::uint64_t used = 0;
        if (parseFigure(buffer_.data(), end, pageSize_, &used))
            status.availableVirtual = limit > used ? limit - used : 0;
    }
#elif defined(_WIN32)
    MEMORYSTATUSEX record{};
    record.dwLength = sizeof record;
    if (GlobalMemoryStatusEx(&record)) {
        status.totalPhysical = record.ullTotalPhys;
        status.availablePhysical = record.ullAvailPhys;
        status.availableVirtual = record.ullAvailVirtual;
    }
#endif
    return status;
}

} // namespace velti
