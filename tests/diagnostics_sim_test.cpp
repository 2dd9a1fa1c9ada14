// The window's diagnostic sequences as device reads on the simulated bus: ten temperature
// reads, and one temperature read followed by the input port at address 32.
#include <gtest/gtest.h>
#include <cstddef>

#include <string>
#include <vector>

#include "devices/input_port.h"
#include "devices/thermometer.h"
#include "tests/support/bus_session.h"

namespace {

const std::vector<std::string> kTemperatureRead = {
    "S 90A ACA P", "S 90A 22A P", "S 90A EEA P", "S 90A AAA P", "S 91A 19N P", "S 91A 80N P",
};

TEST(DiagnosticSequences, TenTemperatureReadsAreSixtyTransactions) {
    std::vector<double> temperatures;
    const std::vector<std::string> traffic = TrafficWhile("sim", [&] {
        for (int read = 1; read <= 10; ++read) {
            temperatures.push_back(ReadTemperature());
        }
    });
    ASSERT_EQ(traffic.size(), 60U);
    for (std::ptrdiff_t read = 0; read < 10; ++read) {
        const std::vector<std::string> one(traffic.begin() + 6 * read,
                                           traffic.begin() + 6 * (read + 1));
        EXPECT_EQ(one, kTemperatureRead) << "read " << read + 1;
    }
    EXPECT_EQ(temperatures, std::vector<double>(10, 26.0));
}

TEST(DiagnosticSequences, TemperatureThenInputPortAreSevenTransactionsInOrder) {
    BusByte pins = 0;
    const std::vector<std::string> traffic = TrafficWhile("sim:inport=0x5A", [&] {
        ReadTemperature();
        pins = ReadInputPort(32);
    });
    std::vector<std::string> expected = kTemperatureRead;
    expected.push_back("S 41A 5AN P");
    EXPECT_EQ(traffic, expected);
    EXPECT_EQ(pins, 0x5A);
}

}  // namespace
