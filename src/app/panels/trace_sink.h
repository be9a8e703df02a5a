#pragma once
// The trace facility: start-up and activation steps report what they pass. The application
// discards the lines; camtrove-cli prints them with --trace.

#include <QString>

namespace camtrove::app {

class TraceSink
{
public:
    virtual ~TraceSink() = default;
    virtual void TraceLine(const QString& line) = 0;
};

class DiscardingTrace final : public TraceSink
{
public:
    void TraceLine(const QString&) override {}
};

} // namespace camtrove::app
