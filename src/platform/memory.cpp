#include "platform/memory.h"

#include <algorithm>
#include <cstring>
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

// Reads the whole small file from its start into buffer; returns the length read.
std::size_t readFromStart(int fd, char* buffer, std::size_t size) {
    if (fd < 0)
        return 0;
    const ssize_t read = pread(fd, buffer, size - 1, 0);
    if (read <= 0)
        return 0;
    buffer[read] = '\0';
    return static_cast<std::size_t>(read);
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
    char buffer[4096];
    if (readFromStart(meminfo_, buffer, sizeof buffer) > 0) {
        status.totalPhysical = meminfoField(buffer, "MemTotal:");
        status.availablePhysical = meminfoField(buffer, "MemAvailable:");
    }
    std::uint64_t limit = addressSpace_;
    rlimit as{};
    if (getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY)
        limit = std::min<std::uint64_t>(limit, as.rlim_cur);
    // statm starts with the pages of the address space in use.
    if (const std::size_t read = readFromStart(statm_, buffer, sizeof buffer); read > 0) {
        const char* end = std::find_if(buffer, buffer + read, isBlank);
        std::uint64_t used = 0;
        if (parseFigure(buffer, end, pageSize_, &used))
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
