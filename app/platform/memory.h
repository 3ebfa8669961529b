// The machine's memory figures, in bytes.
#pragma once

#include <cstdint>

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
// two reads and no open.
class SystemMemoryQuery final : public MemoryQuery {
public:
    SystemMemoryQuery() = default;
    ~SystemMemoryQuery() override;
    SystemMemoryQuery(const SystemMemoryQuery&) = delete;
    SystemMemoryQuery& operator=(const SystemMemoryQuery&) = delete;

    MemoryStatus query() override;

private:
    void open();

    bool opened_ = false;
    int meminfo_ = -1;
    int statm_ = -1;
    std::uint64_t pageSize_ = 4096;
    std::uint64_t addressSpace_ = 0;
};

} // namespace velti
