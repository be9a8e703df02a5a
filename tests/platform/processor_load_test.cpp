// The busiest-processor load from two readings of the kernel's counters.
#include "platform/processor_load.h"

#include <gtest/gtest.h>

namespace camtrove::platform {
namespace {

TEST(ProcessorLoad, TakesTheBusiestProcessorNotTheTotal)
{
    const QString before = QStringLiteral("cpu  300 0 100 1600 0 0 0 0 0 0\n"
                                          "cpu0 100 0 50 800 0 0 0 0 0 0\n"
                                          "cpu1 200 0 50 800 0 0 0 0 0 0\n"
                                          "intr 12345\n");
    // cpu0: 90 busy of 100 (with 5 waiting on the disk counted idle); cpu1: 10 of 100.
    const QString after = QStringLiteral("cpu  400 0 200 1785 5 0 0 0 0 0\n"
                                         "cpu0 170 0 70 805 5 0 0 0 0 0\n"
                                         "cpu1 205 0 55 890 0 0 0 0 0 0\n");
    const auto first = ParseProcessorTimes(before);
    const auto second = ParseProcessorTimes(after);
    ASSERT_EQ(first.size(), 2u) << "the total line is not a processor";
    EXPECT_EQ(BusiestLoadPercent(first, second), 90);
    EXPECT_EQ(BusiestLoadPercent(first, first), 0) << "no time passed";
    EXPECT_EQ(BusiestLoadPercent({}, second), 0) << "the first reading has nothing to compare";
}

} // namespace
} // namespace camtrove::platform
