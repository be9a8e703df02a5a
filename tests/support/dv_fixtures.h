#pragma once
// Loads the real camcorder frames of the shared fixture folder. A missing folder skips the test on a
// developer machine and fails it on CI (the environment variable CI set), where it must be present.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace camtrove::testsupport {

[[nodiscard]] inline std::string DvFixturePath(const std::string& name)
{
    return std::string(CAMTROVE_FIXTURES_DIR) + "/" + name;
}

[[nodiscard]] inline bool ReadDvFixture(const std::string& name, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(DvFixturePath(name), std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

[[nodiscard]] inline bool OnCi()
{
    return std::getenv("CI") != nullptr;
}

} // namespace camtrove::testsupport

// Fills bytes with the named fixture, or ends the test: a skip, or a failure on CI.
#define CAMTROVE_LOAD_DV_FIXTURE(name, bytes)                                                                \
    do {                                                                                                     \
        if (!::camtrove::testsupport::ReadDvFixture((name), (bytes))) {                                      \
            if (::camtrove::testsupport::OnCi())                                                             \
                FAIL() << "fixture missing on CI: " << ::camtrove::testsupport::DvFixturePath(name);         \
            GTEST_SKIP() << "fixture missing: " << ::camtrove::testsupport::DvFixturePath(name);             \
        }                                                                                                    \
    } while (false)
