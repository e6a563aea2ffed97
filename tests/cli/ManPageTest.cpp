// The manual page and the program cannot drift apart: every subcommand and every option that
// the command line registers (as its --help lists them) has its place in tarnwick-cli.1, and
// every command and option the page describes exists.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "support/RunTool.h"

using namespace testsupport;

namespace {

using TOptions = std::map<std::string, std::set<std::string>>; // command ("" global) -> options

// The long and short option names of the "Options:" part of a --help text, and, for the
// program's own help, the "Subcommands:" names.
void ParseHelp(const std::string& help, std::set<std::string>& options, std::set<std::string>* subcommands) {
    std::istringstream in(help);
    std::string part;
    const std::regex name(R"((^|[ ,])(--?[a-z][a-z0-9-]*))");
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != ' ') {
            part = line;
            continue;
        }
        if (line.size() < 3 || line[2] == ' ') continue; // a description's continuation
        const std::string head = line.substr(2, line.find("  ", 2) - 2);
        if (part == "Options:") {
            for (std::sregex_iterator it(head.begin(), head.end(), name), end; it != end; ++it)
                options.insert((*it)[2]);
        } else if (part == "Subcommands:" && subcommands) {
            subcommands->insert(head);
        }
    }
    options.erase("-h");
    options.erase("--help");
}

// The page's option names per command section (.SS NAME ...), "" for GLOBAL OPTIONS.
TOptions ParsePage(const std::string& page) {
    TOptions out;
    std::istringstream in(page);
    std::string section, command;
    bool tagLine = false;
    const std::regex name(R"(\\-(\\-)?([a-z][a-z0-9\\-]*))");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(".SH ", 0) == 0) {
            section = line.substr(4);
            command = section == "GLOBAL OPTIONS" ? "" : "?";
            if (command.empty()) out[""];
            continue;
        }
        if (line.rfind(".SS ", 0) == 0 && section == "COMMANDS") {
            command = line.substr(4, line.find(' ', 4) - 4);
            out[command];
            continue;
        }
        if (line == ".TP") {
            tagLine = true;
            continue;
        }
        if (!tagLine || command == "?") continue;
        tagLine = false;
        for (std::sregex_iterator it(line.begin(), line.end(), name), end; it != end; ++it) {
            std::string n = (*it)[0];
            std::string plain;
            for (size_t i = 0; i < n.size(); ++i)
                if (n[i] != '\\') plain += n[i];
            if (plain != "-h" && plain != "--help") out[command].insert(plain); // CLI11's own
        }
    }
    return out;
}

} // namespace

TEST(ManPage, ListsEverySubcommandAndOptionTheProgramRegistersAndNoOther) {
    std::ifstream f(std::string(TARNWICK_SOURCE_DIR) + "/packaging/man/tarnwick-cli.1");
    ASSERT_TRUE(f) << "the manual page is missing";
    const std::string page((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const TOptions documented = ParsePage(page);

    TOptions registered;
    std::set<std::string> subcommands;
    const auto top = RunTool(Quote(CliPath()) + " --help");
    ASSERT_EQ(top.Code, 0) << top.Output;
    ParseHelp(top.Output, registered[""], &subcommands);
    ASSERT_GE(subcommands.size(), 7u) << top.Output;
    for (const std::string& sub : subcommands) {
        const auto help = RunTool(Quote(CliPath()) + " " + sub + " --help");
        ASSERT_EQ(help.Code, 0) << help.Output;
        ParseHelp(help.Output, registered[sub], nullptr);
    }
    EXPECT_EQ(documented, registered);
    // The global option's form, as the parser takes it, in both.
    EXPECT_NE(top.Output.find("LETTER=KIND[+OPTION...][:BACKING]"), std::string::npos) << top.Output;
    // Every exit code the program has.
    for (const char* code : {".B 6\n", ".B 7\n", ".B 8\n"}) EXPECT_NE(page.find(code), std::string::npos) << code;
    for (const char* key : {"CloseDisc", "JolietFS", "TestWrite", "PerformOPC", "UnderrunProtection", "Verify", "UDF",
                            "CacheSize"})
        EXPECT_NE(page.find(key), std::string::npos) << key;
}
