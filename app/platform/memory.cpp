#include "app/platform/memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#if defined(__linux__)
#include <fcntl.h>
#include <sys/resource.h>
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

// The value of a "Key:   1234 kB" line, in bytes; 0 when the key is missing.
std::uint64_t meminfoField(const char* text, const char* key) {
    const char* at = std::strstr(text, key);
    if (at == nullptr)
        return 0;
    return std::strtoull(at + std::strlen(key), nullptr, 10) * 1024;
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
        meminfo_ = ::open(meminfoPath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (statm_ < 0)
        statm_ = ::open(statmPath_.c_str(), O_RDONLY | O_CLOEXEC);
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
    if (readFromStart(statm_, buffer, sizeof buffer) > 0) {
        const std::uint64_t used = std::strtoull(buffer, nullptr, 10) * pageSize_;
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
