#include "manual/Manual.h"

#include <algorithm>
#include <sstream>

namespace tv {

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

bool IsMacro(std::string_view line, std::string_view name) {
    return line.size() > name.size() && line[0] == '.' && line.substr(1, name.size()) == name &&
           (line.size() == name.size() + 1 || line[name.size() + 1] == ' ');
}

std::string_view MacroArgument(std::string_view line) {
    const size_t space = line.find(' ');
    return space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
}

// Font changes dropped, the escapes the pages use turned into their characters.
std::string Unescape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == 'f' && i + 1 < text.size()) {
            ++i; // \fB, \fI, \fR, \fP
        } else if (next == '(' && i + 2 < text.size()) {
            const std::string_view name = text.substr(i + 1, 2);
            out += name == "em" ? "\u2014" : name == "aq" ? "'" : name == "dq" ? "\"" : "";
            i += 2;
        } else if (next == 'e') {
            out += '\\';
        } else if (next == '-' || next == ' ' || next == '~') {
            out += next == '-' ? '-' : ' ';
        } // \& and anything else print nothing
    }
    return out;
}

// The words of a macro's arguments, double quotes grouping.
std::vector<std::string> Arguments(std::string_view text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i == text.size())
            break;
        std::string word;
        if (text[i] == '"') {
            const size_t end = text.find('"', i + 1);
            word = std::string(text.substr(i + 1, end - i - 1));
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else {
            const size_t end = std::min(text.find(' ', i), text.size());
            word = std::string(text.substr(i, end - i));
            i = end;
        }
        words.push_back(word);
    }
    return words;
}

// The text a font macro (.B, .I, .BR, ...) prints: one-letter ones join their words with
// spaces, alternating ones without.
std::string FontMacroText(std::string_view line) {
    const size_t space = line.find(' ');
    const std::string_view name =
        line.substr(1, space == std::string_view::npos ? line.size() - 1 : space - 1);
    const std::vector<std::string> words = Arguments(MacroArgument(line));
    const bool spaced = name.size() == 1 || name == "SH" || name == "SS";
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty() && spaced)
            text += ' ';
        text += word;
    }
    return text;
}

bool IsFontMacro(std::string_view line) {
    for (const char* name : {"B", "I", "BR", "RB", "IR", "RI", "BI", "IB"})
        if (IsMacro(line, name))
            return true;
    return false;
}

// Fills words into lines of at most `width` columns at an indentation.
class TFiller {
public:
    TFiller(std::ostringstream& out, int width) : out_(out), width_(width) {}

    void Words(const std::string& text, int indent) {
        std::istringstream words(text);
        std::string word;
        while (words >> word) {
            if (column_ > 0 && column_ + 1 + static_cast<int>(word.size()) > width_)
                Break();
            if (column_ == 0) {
                indent = std::max(0, indent);
                out_ << std::string(static_cast<size_t>(indent), ' ');
                column_ = indent;
            } else {
                out_ << ' ';
                ++column_;
            }
            out_ << word;
            column_ += static_cast<int>(word.size());
        }
    }
    void Break() {
        if (column_ > 0)
            out_ << '\n';
        column_ = 0;
    }
    void Verbatim(const std::string& text, int indent) {
        Break();
        out_ << std::string(static_cast<size_t>(std::max(0, indent)), ' ') << text << '\n';
    }
    void BlankLine() {
        Break();
        blank_ = true;
    }
    // A blank line asked for is written only before more text.
    void StartBlock() {
        if (blank_)
            out_ << '\n';
        blank_ = false;
    }

private:
    std::ostringstream& out_;
    int width_;
    int column_ = 0;
    bool blank_ = false;
};

} // namespace

const char* ProgramVersion() {
    return TV_VERSION;
}

std::string ManualText(std::string_view roff, int indent, int width) {
    std::ostringstream out;
    TFiller filler(out, width);
    const int body = indent + 7;
    int extra = 0;        // .RS
    bool fill = true;     // .nf / .fi
    bool tagNext = false; // the line after .TP is the tag
    bool inTagged = false;
    for (const std::string_view line : Lines(roff)) {
        if (line.rfind(".\\\"", 0) == 0 || IsMacro(line, "TH"))
            continue;
        const int at = body + extra + (inTagged ? 4 : 0);
        if (IsMacro(line, "SH") || IsMacro(line, "SS")) {
            filler.BlankLine();
            filler.StartBlock();
            const std::string heading = Unescape(FontMacroText(line));
            filler.Verbatim(heading, indent + (IsMacro(line, "SS") ? 3 : 0));
            extra = 0;
            inTagged = false;
        } else if (IsMacro(line, "PP") || IsMacro(line, "P") || IsMacro(line, "LP")) {
            filler.BlankLine();
            inTagged = false;
        } else if (IsMacro(line, "TP")) {
            filler.BlankLine();
            tagNext = true;
            inTagged = false;
        } else if (IsMacro(line, "br")) {
            filler.Break();
        } else if (IsMacro(line, "nf") || IsMacro(line, "fi")) {
            filler.Break();
            fill = IsMacro(line, "fi");
        } else if (IsMacro(line, "RS") || IsMacro(line, "RE")) {
            filler.Break();
            extra = IsMacro(line, "RS") ? extra + 4 : std::max(0, extra - 4);
        } else if (line.empty() || (line[0] == '.' && !IsFontMacro(line))) {
            continue; // a macro the pages do not use
        } else {
            const std::string text = Unescape(IsFontMacro(line) ? FontMacroText(line) : line);
            filler.StartBlock();
            if (tagNext) {
                filler.Verbatim(text, at);
                tagNext = false;
                inTagged = true;
            } else if (!fill) {
                filler.Verbatim(text, at);
            } else {
                filler.Words(text, at);
            }
        }
    }
    filler.Break();
    return out.str();
}

std::string ManualSection(std::string_view page, std::string_view name) {
    std::string section;
    bool inside = false;
    for (const std::string_view line : Lines(page)) {
        if (IsMacro(line, "SH")) {
            const std::vector<std::string> words = Arguments(MacroArgument(line));
            std::string heading;
            for (const std::string& word : words)
                heading += (heading.empty() ? "" : " ") + word;
            inside = heading == name;
            continue;
        }
        if (inside)
            section.append(line).append("\n");
    }
    return section;
}

std::string ManualUsage(std::string_view page) {
    // Wide, so that each form stays on one line.
    return "usage:\n" + ManualText(ManualSection(page, "SYNOPSIS"), -5, 200);
}

std::string CommandHelp(std::string_view page, const std::vector<std::string>& words) {
    std::string wanted;
    for (const std::string& word : words)
        wanted += (wanted.empty() ? "" : " ") + word;
    if (wanted.empty())
        return "";
    std::string chosen;
    std::string headings;
    bool inside = false;
    const std::string commands = ManualSection(page, "COMMANDS");
    for (const std::string_view line : Lines(commands)) {
        if (IsMacro(line, "SS")) {
            const std::string heading = Unescape(FontMacroText(line));
            inside = heading.rfind(wanted, 0) == 0 &&
                     (heading.size() == wanted.size() || heading[wanted.size()] == ' ');
            if (inside)
                headings += heading + "\n";
        }
        if (inside)
            chosen.append(line).append("\n");
    }
    if (chosen.empty())
        return "";
    // The common options those commands take, from OPTIONS: each entry is a .TP and its tag.
    std::string options;
    std::string entry;
    bool named = false;
    const auto flush = [&] {
        if (named)
            options += entry;
        entry.clear();
        named = false;
    };
    bool tagNext = false;
    const std::string common = ManualSection(page, "OPTIONS");
    for (const std::string_view line : Lines(common)) {
        if (IsMacro(line, "TP")) {
            flush();
            tagNext = true;
        } else if (tagNext) {
            const std::vector<std::string> tag =
                Arguments(Unescape(IsFontMacro(line) ? FontMacroText(line) : line));
            named = !tag.empty() && headings.find(tag.front()) != std::string::npos;
            tagNext = false;
        }
        entry.append(line).append("\n");
    }
    flush();
    std::string text = ManualText(chosen, -3);
    if (!options.empty())
        text += "\n" + ManualText(options, -3);
    return text;
}

} // namespace tv
