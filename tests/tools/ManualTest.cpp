// The manual pages are the programs' help: every form of tvmtool's usage has its part in the
// page, and that part is the command's alone with the common options it takes.
#include "manual/Manual.h"
#include "tools/tvmtool/Commands.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

TEST(Manual, EveryFormOfTheUsageHasItsHelpAndOnlyItsOwn) {
    std::istringstream usage(tv::ManualUsage(tv::kTvmtoolManual));
    std::string line;
    std::getline(usage, line);
    EXPECT_EQ(line, "usage:");
    int forms = 0;
    while (std::getline(usage, line)) {
        std::vector<std::string> words = Words(line);
        ASSERT_GE(words.size(), 2u) << line;
        EXPECT_EQ(words[0], "tvmtool");
        if (words[1].rfind("--", 0) == 0)
            continue;
        ++forms;
        // "catalogue build SOURCE.json": the command words are the lower-case ones.
        std::vector<std::string> command;
        for (size_t i = 1;
             i < words.size() && std::islower(static_cast<unsigned char>(words[i][0])); ++i)
            command.push_back(words[i]);
        const std::string help = tv::CommandHelp(tv::kTvmtoolManual, command);
        EXPECT_EQ(help.find("\n" + command[0]), 0u) << line << "\n" << help;
        const bool takesBase = line.find("--base") != std::string::npos;
        EXPECT_EQ(help.find("--base GAMEDIR\n") != std::string::npos, takesBase) << help;
        EXPECT_EQ(help.find("--version"), std::string::npos) << help;
    }
    EXPECT_EQ(forms, 11);

    const std::string map = tv::CommandHelp(tv::kTvmtoolManual, {"map"});
    for (const char* verb :
         {"\nmap dump", "\nmap build", "\nmap check", "\nmap diff", "\nmap merge"})
        EXPECT_NE(map.find(verb), std::string::npos) << verb;
    EXPECT_EQ(map.find("\nrender"), std::string::npos);
    EXPECT_EQ(tv::CommandHelp(tv::kTvmtoolManual, {"ma"}), "");
}

TEST(Manual, IsWhatTvmtoolHelpPrints) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(tv::tool::Run({"help", "map", "check"}, out, err), 0);
    EXPECT_EQ(out.str(), tv::CommandHelp(tv::kTvmtoolManual, {"map", "check"}));
    EXPECT_EQ(tv::tool::Run({"help", "frobnicate"}, out, err), 2);
    std::ostringstream version;
    EXPECT_EQ(tv::tool::Run({"--version"}, version, err), 0);
    EXPECT_EQ(version.str(), std::string("tvmtool ") + tv::ProgramVersion() + "\n");
}

} // namespace
