#include "platform/processor_load.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace camtrove::platform {

std::vector<ProcessorTimes> ParseProcessorTimes(const QString& procStat)
{
    std::vector<ProcessorTimes> processors;
    for (const QString& line : procStat.split(QLatin1Char('\n'))) {
        // "cpu" alone is the total; "cpu0", "cpu1" ... the processors.
        if (!line.startsWith(QLatin1String("cpu")) || line.size() < 4 || !line[3].isDigit())
            continue;
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        // user nice system idle iowait irq softirq steal; guest time is already inside user.
        ProcessorTimes times;
        for (qsizetype i = 1; i < fields.size() && i <= 8; ++i) {
            const std::uint64_t value = fields[i].toULongLong();
            (i == 4 || i == 5 ? times.idle : times.busy) += value;
        }
        processors.push_back(times);
    }
    return processors;
}

int BusiestLoadPercent(const std::vector<ProcessorTimes>& before, const std::vector<ProcessorTimes>& after)
{
    if (before.size() != after.size())
        return 0;
    int busiest = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i].busy < before[i].busy || after[i].idle < before[i].idle)
            continue; // a processor came back online: its counters started again
        const auto busy = static_cast<double>(after[i].busy - before[i].busy);
        const auto total = busy + static_cast<double>(after[i].idle - before[i].idle);
        if (total > 0)
            busiest = std::max(busiest, static_cast<int>(std::lround(100.0 * busy / total)));
    }
    return busiest;
}

int ProcessorLoad::Refresh()
{
    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    std::vector<ProcessorTimes> now = ParseProcessorTimes(QString::fromLatin1(file.readAll()));
    const int load = BusiestLoadPercent(m_last, now);
    m_last = std::move(now);
    return load;
}

} // namespace camtrove::platform
