#pragma once

// The manual pages tvedit(1) and tvmtool(1), compiled in from their roff sources, and the
// plain text the programs print from them (usage lines, `tvmtool help COMMAND`), so the
// pages and the programs' own help never disagree.

#include <string>
#include <string_view>
#include <vector>

namespace tv {

extern const char* const kTveditManual;
extern const char* const kTvmtoolManual;

// The project's version ("1.0.0"), as the package and the manual pages carry it.
const char* ProgramVersion();

// Roff (the small set of man macros the pages use) as plain text, filled to `width`
// columns, every line starting with `indent` spaces more than the page puts it.
std::string ManualText(std::string_view roff, int indent = 0, int width = 79);

// The roff lines of section `name` (".SH name"), without the heading; empty when missing.
std::string ManualSection(std::string_view page, std::string_view name);

// "usage:" and the page's SYNOPSIS, one form per line.
std::string ManualUsage(std::string_view page);

// The help of one command: every ".SS" of the COMMANDS section whose heading starts with the
// given words ("map", or "map check"), then the entries of OPTIONS that those headings name.
// Empty when no heading matches.
std::string CommandHelp(std::string_view page, const std::vector<std::string>& words);

} // namespace tv
