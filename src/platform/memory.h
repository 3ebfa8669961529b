// The machine's memory figures, in bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velti {

struct MemoryStatus {
    std::uint64_t totalPhysical = 0;
    std::uint64_t availablePhysical = 0;
    // What is left of the address space this process may still use.
    std::uint64_t availableVirtual = 0;
};

class MemoryQuery {
public:
    virtual ~MemoryQuery() = default;
    // Never fails: a figure that cannot be had is 0.
    virtual MemoryStatus query() = 0;
};

// Linux: /proc/meminfo for physical memory, the address-space limit and /proc/self/statm for the
// virtual figure. The files are opened at the first query and stay open, so that a query costs
// a few reads and no open. A file that could not be opened is tried again at the next query, so
// figures missing for a while come back once the file can be read. Other paths may be given
// (tests use them). Only regular files are read, opened without blocking: a file that cannot be
// read, or is not a regular file, gives figures of 0, and so does a figure that is not a whole
// number of at most 64 bits.
class SystemMemoryQuery final : public MemoryQuery {
public:
    explicit SystemMemoryQuery(std::string meminfoPath = "/proc/meminfo",
                               std::string statmPath = "/proc/self/statm");
    ~SystemMemoryQuery() override;
    SystemMemoryQuery(const SystemMemoryQuery&) = delete;
    SystemMemoryQuery& operator=(const SystemMemoryQuery&) = delete;

    MemoryStatus query() override;

private:
    void openMissing();

    std::string meminfoPath_;
    std::string statmPath_;
    bool opened_ = false;
    int meminfo_ = -1;
    int statm_ = -1;
    std::uint64_t pageSize_ = 4096;
    std::uint64_t addressSpace_ = 0;
    // Kept between queries: the files are read on every tick of the About window.
    std::vector<char> buffer_;
};

} // namespace velti
