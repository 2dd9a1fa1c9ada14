// kolvaner-cli get, set and dump on the simulated devices: output, status and the traffic.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/vcd_i2c.h"

namespace {

// stdout, then stderr after a "--" line.
std::string CliOutput(const std::string& arguments, int& status) {
    const ProgramRun run = RunProgram(KOLVANER_CLI, arguments);
    status = run.status;
    return run.out + "--\n" + run.err;
}

TEST(CliTransfers, OutputAndExitStatus) {
    const struct {
        const char* arguments;
        int status;
        const char* output;
    } cases[] = {
        {"get 0x60 2 --bytes 2 --port sim:compass=450", 0, "0x01 0xc2\n--\n"},
        {"get 96 --port sim:compass=450", 0, "0x0e\n--\n"},  // plain read from register 0
        {"get 0x20 --bytes 3 --port sim:inport=0x5a", 0, "0x5a 0x5a 0x5a\n--\n"},
        {"set 0x48 0xa1 0x50 0x00 --port sim", 0, "--\n"},
        {"get 0x50 --port sim", 1, "--\nkolvaner-cli: no answer from the device at 0x50\n"},
        {"set 0x50 1 2 --port sim", 1, "--\nkolvaner-cli: no answer from the device at 0x50\n"},
        {"dump 0x50 --port sim", 1, "--\nkolvaner-cli: no answer from the device at 0x50\n"},
        {"get 0x48 7 --port sim", 1,
         "--\nkolvaner-cli: the device at 0x48 did not acknowledge byte 1 (0x07)\n"},
        {"set 0x48 0xa1 0x50 0x00 0x33 --port sim", 1,
         "--\nkolvaner-cli: the device at 0x48 did not acknowledge byte 4 (0x33)\n"},
        {"dump 0x60 --port sim:hold=2", 1,
         "--\nkolvaner-cli: SDA is held low with the bus idle; try kolvaner-cli recover\n"},
    };
    for (const auto& c : cases) {
        int status = -1;
        EXPECT_EQ(CliOutput(c.arguments, status), c.output) << c.arguments;
        EXPECT_EQ(status, c.status) << c.arguments;
    }
}

TEST(CliTransfers, ExactlyTheirTransactionsGoOnTheWire) {
    const std::string path = testing::TempDir() + "transfers.vcd";
    const struct {
        const char* arguments;
        std::vector<std::string> transactions;
    } cases[] = {
        {"get 0x60 2 --bytes 2 --port sim:compass=450", {"S C0A 02A Sr C1A 01A C2N P"}},
        {"get 0x20 --bytes 2 --port sim:inport=0x81", {"S 41A 81A 81N P"}},
        {"set 0x48 0xa1 0x50 0x00 --port sim", {"S 90A A1A 50A 00A P"}},
        {"set 0x48 0xa1 0x50 0x00 0x33 0x44 --port sim", {"S 90A A1A 50A 00A 33N P"}},
        {"dump 0x50 --port sim", {"S A0N P"}},
    };
    int status = -1;
    for (const auto& c : cases) {
        CliOutput(std::string(c.arguments) + " --trace " + path, status);
        EXPECT_EQ(ReadVcd(path).transactions, c.transactions) << c.arguments;
    }
    CliOutput("dump 0x60 --port sim:compass=450 --trace " + path, status);
    const std::vector<std::string> dump = ReadVcd(path).transactions;
    ASSERT_EQ(dump.size(), 256U);
    EXPECT_EQ(dump[3], "S C0A 03A Sr C1A C2N P");
    EXPECT_EQ(dump[255], "S C0A FFA Sr C1A 00N P");
    std::remove(path.c_str());
}

TEST(CliTransfers, DumpShowsEveryRegisterInAGrid) {
    std::string compass =
        "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    0123456789abcdef\n"
        "00: 0e 20 01 c2 00 00 00 00 00 00 00 00 00 00 00 00    ? ??............\n";
    for (const char* row : {"10", "20", "30", "40", "50", "60", "70", "80", "90", "a0", "b0", "c0",
                            "d0", "e0", "f0"}) {
        compass += std::string(row) +
                   ": 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00    ................\n";
    }
    int status = -1;
    EXPECT_EQ(CliOutput("dump 0x60 --port sim:compass=450 --count 2 --interval 0", status),
              compass + "\n" + compass + "--\n");
    EXPECT_EQ(status, 0);
    // The thermometer acknowledges only its command bytes.
    const std::string thermometer = CliOutput("dump 0x48 --port sim", status);
    EXPECT_EQ(status, 0);
    for (const char* row :
         {"\n00: XX XX XX XX XX XX XX XX XX XX XX XX XX XX XX XX    XXXXXXXXXXXXXXXX\n",
          "\na0: XX 7d c9 XX XX XX XX XX 04 10 19 XX 80 XX XX XX    X}?XXXXX???X?XXX\n"}) {
        EXPECT_NE(thermometer.find(row), std::string::npos) << thermometer;
    }
}

}  // namespace
