// SPDX-License-Identifier: MIT
#include "app/window/core/window_arguments.h"

#include "kolvaner_version.h"

// What one platform has and the other has not: /? and the debug output on Windows, Qt's
// options and the device files on Linux.
const char kWindowUsage[] =
#ifdef _WIN32
    "Gebruik: kolvaner [--port POORT] [--help | /? | --version]\n"
#else
    "Gebruik: kolvaner [--port POORT] [--help | --version]\n"
#endif
    "Toont de koers van het kompas, twee keer per seconde\n"
    "gelezen via de modemlijnen van de seriële poort.\n"
#ifdef _WIN32
    "Andere argumenten worden genegeerd.\n"
    "  --port POORT    de poort: COM3, COM4, ..., of sim[:OPTIES]\n"
    "                  voor de gesimuleerde bus (kolvaner-cli\n"
    "                  --help); kolvaner-cli ports toont de\n"
    "                  seriële poorten van deze pc\n"
    "Omgeving:\n"
    "  KOLVANER_PORT   de poort zonder --port; COM1 als die\n"
    "                  niet is ingesteld\n"
#else
    "Andere argumenten worden genegeerd; de eigen opties van\n"
    "Qt (-platform, -style) gelden wel.\n"
    "  --port POORT    de poort: /dev/ttyUSB0, ..., of\n"
    "                  sim[:OPTIES] voor de gesimuleerde bus\n"
    "                  (kolvaner-cli --help); kolvaner-cli ports\n"
    "                  toont de seriële poorten van deze pc\n"
    "Omgeving:\n"
    "  KOLVANER_PORT   de poort zonder --port; COM1 (/dev/ttyS0)\n"
    "                  als die niet is ingesteld\n"
#endif
    "  KOLVANER_TRACE  een bestand om de bus in vast te leggen,\n"
    "                  als VCD\n"
    "  KOLVANER_CLOCK  hoogste SCL-klok in kHz, 1-100 (55);\n"
    "                  lager voor lange kabels\n"
#ifdef _WIN32
    "Een poort of trace die faalt, wordt eenmaal gemeld op\n"
    "stderr en als debuguitvoer, in één regel die begint met\n"
    "\"kolvaner:\"; het venster gaat door.\n";
#else
    "Een poort of trace die faalt, wordt eenmaal gemeld op\n"
    "stderr, in één regel die begint met \"kolvaner:\"; het\n"
    "venster gaat door.\n";
#endif

// A message box wraps its text itself.
const char kWindowHelpBox[] =
    "Kolvaner toont de koers van een kompasmodule, twee keer per seconde gelezen via de "
    "modemlijnen van een seriële poort.\n\n"
    "Een poort kiezen: start Kolvaner met --port en de naam van de poort, bijvoorbeeld in "
    "het Doel van een snelkoppeling: kolvaner.exe --port COM3. Apparaatbeheer (Poorten (COM "
    "& LPT)) en \"kolvaner-cli ports\" tonen de seriële poorten van deze pc.\n\n"
    "Zonder --port opent Kolvaner de poort die de omgevingsvariabele KOLVANER_PORT noemt, "
    "anders COM1. Met --port sim werkt Kolvaner op een gesimuleerde bus, zonder hardware. "
    "KOLVANER_CLOCK is de hoogste busklok in kHz (1-100, 55 als die niet is ingesteld; lager "
    "voor lange kabels), KOLVANER_TRACE een bestand om de bus in vast te leggen.\n\n"
    "README.txt, naast kolvaner.exe, vertelt hoe de interface wordt aangesloten en hoe de "
    "variabelen worden ingesteld.";

const char kWindowVersion[] = "kolvaner " KOLVANER_VERSION "\n";

namespace {

constexpr int kUsageError = 2;

WindowArguments Wrong(const std::string& problem) {
    return {"kolvaner: " + problem + " (kolvaner --help)\n", kUsageError, problem, std::nullopt};
}

bool AsksForHelp(std::string_view argument) {
#ifdef _WIN32
    // What every Windows command answers with its help.
    if (argument == "/?") {
        return true;
    }
#endif
    return argument == "--help";
}

// A path with a space is quoted in a shortcut's Target, as Windows shows it.
std::string AsInTarget(std::string_view program_path) {
    const std::string path(program_path);
    return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

}  // namespace

WindowArguments ReadWindowArguments(const std::vector<std::string_view>& arguments) {
    WindowArguments read;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (AsksForHelp(argument) || argument == "--version") {
            return {argument == "--version" ? kWindowVersion : kWindowUsage, 0, {}, std::nullopt};
        }
        std::string_view port;
        if (argument.substr(0, 7) == "--port=") {
            port = argument.substr(7);
        } else if (argument != "--port") {
            continue;
        } else if (index + 1 < arguments.size()) {
            port = arguments[++index];
        } else {
            return Wrong("na --port ontbreekt de naam van de poort");
        }
        if (port.empty()) {
            return Wrong("na --port staat een lege poortnaam");
        }
        read.port = std::string(port);
    }
    return read;
}

std::string AnswerBoxText(const WindowArguments& read, std::string_view program_path,
                          std::string_view example_port) {
    if (read.answer == kWindowUsage) {
        return kWindowHelpBox;
    }
    if (read.problem.empty()) {
        return read.answer;
    }
    return "Kolvaner is gestart met een fout in het Doel van de snelkoppeling: " + read.problem +
           ".\n\nEen Doel dat werkt, met de poort achter --port:\n" + AsInTarget(program_path) +
           " --port " + std::string(example_port) +
           "\n\nHet Doel staat in de Eigenschappen van de snelkoppeling (rechtsklikken, "
           "Eigenschappen), op het tabblad Snelkoppeling. Met --port sim werkt Kolvaner "
           "zonder hardware.";
}

std::string NoWindowText(std::string_view reason) {
    return "het venster kan niet worden geopend: " + std::string(reason);
}
