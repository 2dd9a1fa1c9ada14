// SPDX-License-Identifier: MIT
// The serial-port backend on a pseudo-terminal. A pty has no modem lines, so this covers
// the open, the settings and their restore, exclusivity and the refusals; the port
// library refuses a pty, whose line calls all fail.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bus/port_lines.h"
#include "port/port_settings.h"
#include "port/port_status.h"
#include "port/serial/serial_line.h"
#include "tests/support/bus_session.h"
#include "tests/support/temp_path.h"

namespace {

constexpr char kSettings[] = "COM1:9600,N,8,1";

class PseudoTerminal : public testing::Test {
  protected:
    void SetUp() override {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        path_ = ptsname(master_);
        slave_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave_, 0);
        // Cooked line at 38400 baud, so the port's own settings are told apart.
        termios cooked{};
        ASSERT_EQ(tcgetattr(slave_, &cooked), 0);
        cooked.c_lflag |= ICANON | ECHO;
        cooked.c_iflag |= IXON;
        cfsetispeed(&cooked, B38400);
        cfsetospeed(&cooked, B38400);
        ASSERT_EQ(tcsetattr(slave_, TCSANOW, &cooked), 0);
        ConfigurePort(PortConfigFor(path_));
    }

    void TearDown() override {
        SerialClose();
        CLOSECOM();
        close(slave_);
        close(master_);
    }

    termios Settings() const {
        termios settings{};
        tcgetattr(slave_, &settings);
        return settings;
    }

    int Exclusive() const {
        int exclusive = -1;
        ioctl(slave_, TIOCGEXCL, &exclusive);
        return exclusive;
    }

    // The flags of the descriptor the port opened, from /proc/self/fdinfo.
    long PortFlags() const {
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            const int fd = std::stoi(entry.path().filename());
            std::error_code error;
            if (fd == slave_ || std::filesystem::read_symlink(entry.path(), error) != path_) {
                continue;
            }
            std::ifstream info("/proc/self/fdinfo/" + std::to_string(fd));
            std::string key;
            std::string value;
            while (info >> key >> value) {
                if (key == "flags:") {
                    return std::stol(value, nullptr, 8);
                }
            }
        }
        return -1;
    }

    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

// The settings text's line settings, as OPENCOM reads them.
PortSettings Parsed(const char* text) {
    PortSettings settings;
    EXPECT_EQ(ParsePortSettings(text, settings), "") << text;
    return settings;
}

TEST_F(PseudoTerminal, OpensRawNineSixHundredEightNOneExclusively) {
    ASSERT_EQ(SerialOpen(path_, Parsed(kSettings)), "");
    const long flags = PortFlags();
    EXPECT_EQ(flags & O_ACCMODE, O_RDWR);
    EXPECT_NE(flags & O_NONBLOCK, 0);
    EXPECT_NE(flags & O_CLOEXEC, 0);
    EXPECT_EQ(Exclusive(), 1);
    const termios settings = Settings();
    EXPECT_EQ(cfgetospeed(&settings), B9600);
    EXPECT_EQ(cfgetispeed(&settings), B9600);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0U);
    EXPECT_NE(settings.c_cflag & CLOCAL, 0U);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0U);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), 0U);
    EXPECT_EQ(settings.c_oflag & OPOST, 0U);
}

TEST_F(PseudoTerminal, OtherLineSettingsFromTheSettingsText) {
    ASSERT_EQ(SerialOpen(path_, Parsed("COM1:4800,O,7,2")), "");
    const termios settings = Settings();
    EXPECT_EQ(cfgetospeed(&settings), B4800);
    // A pty forces 8 bits without parity on itself; the odd-parity and stop bits stay.
    EXPECT_EQ(settings.c_cflag & (PARODD | CSTOPB), static_cast<tcflag_t>(PARODD | CSTOPB));
}

TEST_F(PseudoTerminal, CloseRestoresThePreviousSettingsAndReleasesTheLock) {
    ASSERT_EQ(SerialOpen(path_, Parsed(kSettings)), "");
    SerialClose();
    const termios settings = Settings();
    EXPECT_EQ(cfgetospeed(&settings), B38400);
    EXPECT_NE(settings.c_lflag & ICANON, 0U);
    EXPECT_NE(settings.c_iflag & IXON, 0U);
    EXPECT_EQ(Exclusive(), 0);
    EXPECT_EQ(PortFlags(), -1);
    SerialClose();
}

TEST_F(PseudoTerminal, WithoutModemLinesIsRefusedAndPutBack) {
    EXPECT_EQ(OPENCOM(kSettings), 0);
    EXPECT_FALSE(PortIsOpen());
    EXPECT_EQ(PortProblem().rfind("cannot use " + path_ + ": ", 0), 0U) << PortProblem();
    EXPECT_NE(Settings().c_lflag & ICANON, 0U) << "settings left changed";
    EXPECT_EQ(Exclusive(), 0);
}

TEST_F(PseudoTerminal, APortAnotherProgramHasLockedIsInUse) {
    // TIOCEXCL does not stop root; the lock stops every program that keeps to it.
    ASSERT_EQ(flock(slave_, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(OPENCOM(kSettings), 0);
    EXPECT_EQ(PortProblem(), "cannot use " + path_ + ": the port is in use by another program");
    EXPECT_EQ(Settings().c_lflag & ICANON, static_cast<tcflag_t>(ICANON)) << "settings touched";
    flock(slave_, LOCK_UN);
    EXPECT_EQ(SerialOpen(path_, Parsed(kSettings)), "");
}

TEST(SerialPortRefusals, NamesTheDeviceAndTheReasonAndWritesNothing) {
    const std::string regular = TempPath("not-a-tty");
    std::ofstream(regular) << "keep";
    const struct {
        std::string device;
        const char* reason;
    } cases[] = {
        {regular, "not a terminal"},
        {"/dev/null", "not a terminal"},
        {"/nonexistent/ttyUSB9", "No such file or directory"},
    };
    for (const auto& c : cases) {
        BusSession session(c.device);
        EXPECT_FALSE(PortIsOpen()) << c.device;
        EXPECT_NE(PortProblem().find(c.device), std::string::npos) << PortProblem();
        EXPECT_NE(PortProblem().find(c.reason), std::string::npos) << PortProblem();
        EXPECT_EQ(PortName(), c.device);
        EXPECT_EQ(TakeMessages(), std::vector<std::string>{"COM1 niet beschikbaar/aanwezig"});
    }
    std::ifstream file(regular);
    std::string content;
    file >> content;
    EXPECT_EQ(content, "keep");
    std::filesystem::remove(regular);
}

}  // namespace
