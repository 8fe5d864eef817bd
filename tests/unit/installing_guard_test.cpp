#include <gtest/gtest.h>

#include "update/installing_guard.h"

namespace {

TEST(InstallingGuard, MarkerAgeDecides) {
    const struct {
        bool probe;
        std::optional<std::int64_t> age;
        bool installing;
    } cases[] = {
        {false, std::nullopt, false}, {false, 0, true},    {false, 1800, true}, {false, 1801, false},
        {false, -5000, true},         {true, 10, false},   {true, std::nullopt, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InstallationInProgress(c.probe, c.age), c.installing)
            << "probe " << c.probe << " age " << c.age.value_or(-1);
    }
}

} // namespace
