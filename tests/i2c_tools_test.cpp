// SPDX-License-Identifier: MIT
// kolvaner-cli i2c under Debian's own i2c-tools and python3-smbus2, unchanged, over the
// simulated bus: what each tool prints and its exit status, and what went onto the wire.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_path.h"
#include "tests/support/vcd_i2c.h"

namespace {

// Bus 30, not the default: a machine may have adapters of its own from 16 on.
const std::string kServe = "i2c --bus 30 --port sim:compass=1234,inport=0x5a -- ";
const std::string kPython = "/usr/bin/python3 -c \"from smbus2 import SMBus, i2c_msg; ";

const char kScan[] =
    "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n"
    "00:                         -- -- -- -- -- -- -- -- \n"
    "10: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- \n"
    "20: 20 -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- \n"
    "30: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- \n"
    "40: -- -- -- -- -- -- -- -- 48 -- -- -- -- -- -- -- \n"
    "50: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- \n"
    "60: 60 -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- \n"
    "70: -- -- -- -- -- -- -- --                         \n--\n";

TEST(I2cTools, OutputAndExitStatus) {
    const struct {
        std::string command;
        int status;
        std::string output;  // stdout, "--", stderr
    } cases[] = {
        {"sh -c 'i2cdetect -l | grep ^i2c-30'", 0,
         "i2c-30\ti2c       \tKolvaner on sim:compass=1234,inport=0x5a\tI2C adapter\n--\n"},
        {"i2cdetect -y 30", 0, kScan},
        {"i2cdetect -y -r 30 0x48 0x48", 0,
         "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n"
         "00:                                                 \n"
         "10:                                                 \n"
         "20:                                                 \n"
         "30:                                                 \n"
         "40:                         48                      \n"
         "50:                                                 \n"
         "60:                                                 \n"
         "70:                                                 \n--\n"},
        // Registers 2 and 3 hold 1234 tenths high byte first; an SMBus word is low byte first.
        {"i2cget -y 30 0x60 0", 0, "0x0e\n--\n"},
        {"i2cget -y 30 0x60 2 w", 0, "0xd204\n--\n"},
        {"i2cget -y 30 0x60 0 i 4", 0, "0x0e 0x57 0x04 0xd2\n--\n"},
        {"i2cget -y 30 0x48 0xaa w", 0, "0x8019\n--\n"},
        {"i2cget -y 30 0x20", 0, "0x5a\n--\n"},
        {"i2cset -y -r 30 0x48 0xa1 0x55", 0, "Value 0x55 written, readback matched\n--\n"},
        {"sh -c 'i2cset -y 30 0x48 0xa2 0x801e w && i2cget -y 30 0x48 0xa2 w'", 0, "0x801e\n--\n"},
        {"i2ctransfer -y 30 w1@0x60 2 r2", 0, "0x04 0xd2\n--\n"},
        {"i2ctransfer -y 30 w2@0x48 0xa1 0x21 r1@0x48", 0, "0x21\n--\n"},
        {"i2cget -y 30 0x50", 2, "--\nError: Read failed\n"},
        {"i2cset -y 30 0x50 0 1", 1, "--\nError: Write failed\n"},
        {"i2ctransfer -y 30 r1@0x50", 1,
         "--\nError: Sending messages failed: No such device or address\n"},
        {kPython + "b = SMBus(30); print(b.read_byte_data(0x60, 0), hex(b.read_word_data(0x60, "
                   "2)), b.read_i2c_block_data(0x60, 1, 3))\"",
         0, "14 0xd204 [87, 4, 210]\n--\n"},
        {kPython + "b = SMBus('/dev/i2c-30'); b.write_byte_data(0x48, 0xa1, 0x42); "
                   "print(hex(b.read_byte_data(0x48, 0xa1)))\"",
         0, "0x42\n--\n"},
        {kPython + "b = SMBus(30); w = i2c_msg.write(0x60, [2]); r = i2c_msg.read(0x60, 2); "
                   "b.i2c_rdwr(w, r); print(list(r))\"",
         0, "[4, 210]\n--\n"},
        // An SMBus block: the count first (register 0 reads 14), then that many bytes; a count
        // of 0 is refused with a not-acknowledge, as i2c-algo-bit does.
        {kPython +
             "import errno; b = SMBus(30); print(b.read_block_data(0x60, 0))\ntry: "
             "b.read_block_data(0x60, 4)\nexcept OSError as e: print(errno.errorcode[e.errno])\"",
         0, "[87, 4, 210, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0]\nEPROTO\n--\n"},
        {kPython + "import errno; b = SMBus(30)\ntry: b.read_byte(0x50)\n"
                   "except OSError as e: print(errno.errorcode[e.errno])\"",
         0, "ENXIO\n--\n"},
        {"/usr/bin/python3 " + std::string(KOLVANER_TESTS_DIR) + "/i2c/i2c_descriptors.py 30", 0,
         "read 04d2\ndup 0e\nF_DUPFD 57\nchild d2\nthreads ['1980']\n"
         "ioctl 0x5401 Inappropriate ioctl for device\nioctl 0x703 Invalid argument\n--\n"},
        {"sh -c 'exit 3'", 3, "--\n"},
        {"sh -c 'kill -TERM $$'", 128 + 15, "--\n"},
        {"no-such-program", 127,
         "--\nkolvaner-cli: cannot run 'no-such-program': No such file "
         "or directory\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(kServe + c.command);
        EXPECT_EQ(run.status, c.status) << c.command;
        EXPECT_EQ(run.output, c.output) << c.command;
    }
}

TEST(I2cTools, DumpMatchesKolvanerCliDump) {
    const CliRun tool = RunCli(kServe + "i2cdump -y 30 0x60 b");
    const CliRun own = RunCli("dump 0x60 --port sim:compass=1234");
    EXPECT_EQ(tool.status, 0);
    EXPECT_EQ(tool.output, own.output);
    EXPECT_NE(tool.output.find("00: 0e 57 04 d2 00"), std::string::npos) << tool.output;
}

// Only the messages asked for go onto the wire, joined by repeated starts.
TEST(I2cTools, TraceHasExactlyTheMessagesAskedFor) {
    const std::string path = TempPath("i2ctransfer.vcd");
    const CliRun run = RunCli("i2c --bus 30 --port sim:compass=1234 --trace " + path +
                              " -- i2ctransfer -y 30 w1@0x60 2 r2 w2@0x48 0xa1 0x12");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "0x04 0xd2\n--\n");
    EXPECT_EQ(ReadVcd(path).transactions,
              std::vector<std::string>{"S C0A 02A Sr C1A 04A D2N Sr 90A A1A 12A P"});
    std::remove(path.c_str());
}

// SMBus PEC: CRC-8 of 90 A1 50 is 0x13. The thermometer sends no PEC, so the byte after the
// data (its low byte, 00) is not CRC-8 of 90 A1 91 50 (0x36), and the read fails.
TEST(I2cTools, PecSentAfterAWriteAndCheckedAfterARead) {
    const std::string path = TempPath("pec.vcd");
    const CliRun run = RunCli("i2c --bus 30 --port sim --trace " + path +
                              " -- sh -c 'i2cset -y 30 0x48 0xa1 0x50 bp && i2cget -y 30 0x48 "
                              "0xa1 bp'");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, "--\nError: Read failed\n");
    EXPECT_EQ(ReadVcd(path).transactions,
              (std::vector<std::string>{"S 90A A1A 50A 13A P", "S 90A A1A Sr 91A 50A 00N P"}));
    std::remove(path.c_str());
}

TEST(I2cTools, RefusesWhatItCannotServe) {
    // Every address would seem to answer and every byte read 0x00.
    const CliRun held = RunCli("i2c --bus 30 --port sim:sda=stuck-low -- i2cget -y 30 0x60 0");
    EXPECT_EQ(held.status, 2);
    EXPECT_EQ(held.output,
              "--\nkolvaner-cli: SDA is held low with the bus idle; try kolvaner-cli recover\n"
              "Error: Read failed\n");
    const CliRun none = RunCli("i2c --port sim");
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.output,
              "--\nkolvaner-cli: missing command for i2c (kolvaner-cli i2c -- COMMAND)\n");
    const CliRun repeated = RunCli("i2c --count 2 --port sim -- true");
    EXPECT_EQ(repeated.status, 2);
    EXPECT_EQ(repeated.output, "--\nkolvaner-cli: '--count' does not apply to i2c\n");
}

}  // namespace
