#pragma once
// The load of the busiest processor, from the kernel's per-processor time counters between two
// readings. The machine's total is not counted: one saturated core is what drops frames.

#include <QString>

#include <cstdint>
#include <vector>

namespace camtrove::platform {

struct ProcessorTimes
{
    std::uint64_t busy = 0;
    std::uint64_t idle = 0; // idle and waiting for input/output
};

// The "cpuN" lines of /proc/stat's text, in processor order.
[[nodiscard]] std::vector<ProcessorTimes> ParseProcessorTimes(const QString& procStat);
// The highest load between two readings, each processor's rounded to a whole percent; 0 when
// the readings do not match or no time passed.
[[nodiscard]] int BusiestLoadPercent(const std::vector<ProcessorTimes>& before,
                                     const std::vector<ProcessorTimes>& after);

class ProcessorLoad
{
public:
    // Reads the counters again and gives the busiest load since the last call.
    [[nodiscard]] int Refresh();

private:
    std::vector<ProcessorTimes> m_last;
};

} // namespace camtrove::platform
