// kolvaner-cli: its arguments, its output and its exit status.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/cli/cli_args.h"

namespace {

struct CliRun {
    int status = -1;
    std::string output;  // stdout, then stderr after a "--" line
};

CliRun RunCli(const std::string& arguments, const std::string& prefix = "") {
    const std::string err = testing::TempDir() + "cli-stderr";
    const std::string command = prefix + " '" KOLVANER_CLI "' " + arguments + " 2>" + err;
    CliRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        run.output += buffer;
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err_file(err);
    run.output += "--\n";
    run.output += std::string(std::istreambuf_iterator<char>(err_file), {});
    return run;
}

TEST(KolvanerCli, OutputAndExitStatus) {
    const struct {
        const char* arguments;
        int status;
        const char* output;
    } cases[] = {
        {"bearing --port sim:compass=450", 0, "45\n--\n"},
        {"bearing --port=sim:compass=0xFFFF", 0, "6554\n--\n"},
        {"bearing --port sim:compass=off --count 2 --interval 0", 0, "6554\n6554\n--\n"},
        {"bearing --port sim:compass=3595 --count=3 --interval=1", 0, "360\n360\n360\n--\n"},
        {"bearing --count x", 2, "--\nkolvaner-cli: bad --count 'x' (0-1000000000)\n"},
        {"bearing --count -1", 2, "--\nkolvaner-cli: bad --count '-1' (0-1000000000)\n"},
        {"bearing --interval 1e3", 2, "--\nkolvaner-cli: bad --interval '1e3' (0-86400000 ms)\n"},
        {"bearing --count", 2, "--\nkolvaner-cli: missing value for '--count'\n"},
        {"bearing --colour red", 2, "--\nkolvaner-cli: unknown option '--colour'\n"},
        {"compass", 2, "--\nkolvaner-cli: unknown command 'compass'\n"},
        {"bearing bearing", 2, "--\nkolvaner-cli: unexpected argument 'bearing'\n"},
        {"", 2, "--\nkolvaner-cli: no command given\n"},
        {"bearing --port sim:compass=big", 1,
         "--\nkolvaner: simulated bus: bad value 'big' for compass (allowed: 0-65535 or "
         "0x0-0xFFFF, turning, off)\nkolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"bearing --port /nonexistent/ttyUSB0", 1,
         "--\nkolvaner: cannot open /nonexistent/ttyUSB0: No such file or directory\n"
         "kolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        const std::string help_hint = c.status == 2 ? "Try 'kolvaner-cli --help'.\n" : "";
        EXPECT_EQ(run.output, c.output + help_hint) << c.arguments;
    }
}

TEST(KolvanerCli, HelpListsTheCommandsAndOptions) {
    const CliRun run = RunCli("--help");
    EXPECT_EQ(run.status, 0);
    for (const char* word : {"bearing", "--count", "--interval", "--port", "--trace"}) {
        EXPECT_NE(run.output.find(word), std::string::npos) << word;
    }
}

TEST(KolvanerCli, EnvironmentChoosesThePortAndOptionsOverrideIt) {
    EXPECT_EQ(RunCli("bearing", "KOLVANER_PORT=sim:compass=70").output, "7\n--\n");
    EXPECT_EQ(RunCli("bearing --port sim:compass=80", "KOLVANER_PORT=sim:compass=70").output,
              "8\n--\n");
}

TEST(KolvanerCli, WritesTheTraceItIsAskedFor) {
    const std::string path = testing::TempDir() + "cli.vcd";
    std::remove(path.c_str());
    EXPECT_EQ(RunCli("bearing --port sim --trace " + path).status, 0);
    std::ifstream trace(path);
    std::string first_line;
    std::getline(trace, first_line);
    EXPECT_EQ(first_line.rfind("$version", 0), 0U) << first_line;
}

TEST(KolvanerCli, CtrlCEndsAnEndlessRunCleanly) {
    const CliRun run =
        RunCli("bearing --port sim --count 0 --interval 50", "timeout --preserve-status -s INT 1");
    EXPECT_EQ(run.status, 0);
    EXPECT_GE(std::count(run.output.begin(), run.output.end(), '\n'), 5);
}

TEST(CliArgs, DefaultsAndOverrides) {
    CliCommand command;
    ASSERT_EQ(ParseCliArgs({"bearing"}, command), "");
    EXPECT_EQ(command.action, CliCommand::Action::bearing);
    EXPECT_EQ(command.count, 1);
    EXPECT_EQ(command.interval_ms, 500);
    EXPECT_FALSE(command.port.has_value());
    ASSERT_EQ(
        ParseCliArgs({"--count", "0", "bearing", "--trace", "t.vcd", "--port", "sim"}, command),
        "");
    EXPECT_EQ(command.count, 0);
    EXPECT_EQ(command.trace, "t.vcd");
    EXPECT_EQ(command.port, "sim");
}

}  // namespace
