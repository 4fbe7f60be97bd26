#include "world/KeyScript.h"

#include "engine/KeyState.h"
#include "mapdata/Errors.h"
#include "mapdata/Text.h"
#include "world/Actors.h"

#include <algorithm>
#include <sstream>

namespace tv {

namespace {

const char* const kRoleNames[] = {"LEFT", "RIGHT", "UP", "DOWN", "FIRE1", "FIRE2"};

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool IsRole(const std::string& name) {
    for (const char* role : kRoleNames)
        if (name == role)
            return true;
    return false;
}

bool ParseNumber(const std::string& text, uint64_t& value) {
    if (text.empty() || text.size() > 18)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

// The virtual-key code of a key named directly; 0 for a name that is none.
int DirectKeyCode(const std::string& name) {
    if (name == "SHIFT")
        return VK_SHIFT;
    if (name == "CTRL" || name == "CONTROL")
        return VK_CONTROL;
    if (name == "SPACE")
        return VK_SPACE;
    if (name.size() == 1 &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9')))
        return name[0];
    uint64_t code = 0;
    if (ParseNumber(name, code) && code >= 1 && code < static_cast<uint64_t>(kVirtualKeyCount))
        return static_cast<int>(code);
    return 0;
}

int KeyCodeFor(const std::string& name, const TPlayer* player) {
    if (!IsRole(name))
        return DirectKeyCode(name);
    if (name == "LEFT")
        return player->KeyLeft;
    if (name == "RIGHT")
        return player->KeyRight;
    if (name == "UP")
        return player->KeyUp;
    if (name == "DOWN")
        return player->KeyDown;
    if (name == "FIRE1")
        return player->KeyFire1;
    return player->KeyFire2;
}

[[noreturn]] void ScriptError(int line, const std::string& text) {
    throw EError(Format("key script line %d: %s", line, text.c_str()));
}

// The script with one kind of line end, "\n", and no byte order mark in front: editors save
// "\r\n", "\r" and a UTF-8 mark as they please.
std::string PlainLines(const std::string& text) {
    const size_t mark = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    std::string plain;
    plain.reserve(text.size() - mark);
    for (size_t i = mark; i < text.size(); ++i) {
        if (text[i] != '\r')
            plain += text[i];
        else if (i + 1 == text.size() || text[i + 1] != '\n')
            plain += '\n';
    }
    return plain;
}

} // namespace

std::vector<TKeySpan> ParseKeyScript(const std::string& text) {
    std::vector<TKeySpan> spans;
    std::istringstream lines(PlainLines(text));
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        std::string name;
        std::string range;
        std::string extra;
        if (!(words >> name))
            continue;
        if (!(words >> range))
            ScriptError(number, "\"" + MessageName(name) +
                                    "\" needs the updates it is down in (FIRST-LAST)");
        if (words >> extra)
            ScriptError(number, "unexpected \"" + MessageName(extra) + "\"");
        TKeySpan span;
        span.Name = Upper(name);
        span.Line = number;
        if (!IsRole(span.Name) && DirectKeyCode(span.Name) == 0)
            ScriptError(number, "unknown key \"" + MessageName(name) + "\"");
        const size_t dash = range.find('-');
        const std::string first = range.substr(0, dash);
        const std::string last = dash == std::string::npos ? first : range.substr(dash + 1);
        if (!ParseNumber(first, span.First) || !ParseNumber(last, span.Last))
            ScriptError(number,
                        "\"" + MessageName(range) + "\" is not an update range (FIRST-LAST)");
        if (span.First == 0)
            ScriptError(number, "updates are numbered from 1");
        if (span.Last < span.First)
            ScriptError(number, "the range \"" + MessageName(range) + "\" ends before it starts");
        spans.push_back(span);
    }
    return spans;
}

TKeyScriptHeader ParseKeyScriptHeader(const std::string& text) {
    TKeyScriptHeader header;
    std::istringstream lines(PlainLines(text));
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (line.rfind("#!", 0) != 0)
            continue;
        std::istringstream words(line.substr(2));
        std::string name;
        words >> name;
        std::vector<std::string> values;
        for (std::string value; words >> value;)
            values.push_back(value);
        const auto bad = [&] {
            ScriptError(number, "header \"" + MessageName(name) + "\" has no readable value");
        };
        uint64_t value = 0;
        if (name == "map") {
            const size_t at = line.find("map") + 3;
            header.Map = line.substr(line.find_first_not_of(' ', at) == std::string::npos
                                         ? line.size()
                                         : line.find_first_not_of(' ', at));
        } else if (name == "seed") {
            if (values.size() != 1 || !ParseNumber(values[0], value) || value > 0xFFFFFFFFu)
                bad();
            header.Seed = static_cast<uint32_t>(value);
        } else if (name == "updates") {
            if (values.size() != 1 || !ParseNumber(values[0], value))
                bad();
            header.Updates = value;
        } else if (name == "start") {
            if (values.size() != 2)
                bad();
            const auto parseInt = [&](const std::string& word, int32_t& out) {
                const bool negative = !word.empty() && word[0] == '-';
                uint64_t magnitude = 0;
                if (!ParseNumber(negative ? word.substr(1) : word, magnitude) ||
                    magnitude > 2147483647u)
                    bad();
                out = static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                                    : static_cast<int64_t>(magnitude));
            };
            parseInt(values[0], header.Start.ScrollX);
            header.Start.PlayerLeft.reset();
            if (values[1] != "-") {
                int32_t left = 0;
                parseInt(values[1], left);
                header.Start.PlayerLeft = left;
            }
        }
    }
    return header;
}

std::string WriteKeyScript(const TKeyScriptHeader& header, const std::vector<TKeySpan>& spans) {
    std::ostringstream out;
    if (!header.Map.empty())
        out << "#! map " << header.Map << "\n";
    if (header.Seed)
        out << "#! seed " << *header.Seed << "\n";
    out << "#! start " << header.Start.ScrollX << " "
        << (header.Start.PlayerLeft ? std::to_string(*header.Start.PlayerLeft) : "-") << "\n";
    if (header.Updates)
        out << "#! updates " << *header.Updates << "\n";
    for (const TKeySpan& span : spans) {
        out << span.Name << " " << span.First;
        if (span.Last != span.First)
            out << "-" << span.Last;
        out << "\n";
    }
    return out.str();
}

TKeyScript::TKeyScript(const std::vector<TKeySpan>& spans, const TPlayer* player) {
    for (const TKeySpan& span : spans) {
        if (IsRole(span.Name) && !player)
            throw EError(Format("key script line %d: %s is a key of the player, and the map has "
                                "no player",
                                span.Line, span.Name.c_str()));
        const int code = KeyCodeFor(span.Name, player);
        spans_.push_back(Span{code, span.First, span.Last});
        if (std::find(codes_.begin(), codes_.end(), code) == codes_.end())
            codes_.push_back(code);
    }
}

void TKeyScript::Apply(uint64_t update) const {
    for (int code : codes_) {
        bool down = false;
        for (const Span& span : spans_)
            down = down || (span.Code == code && span.First <= update && update <= span.Last);
        SetKeyDown(code, down);
        // A press the update before did not look at must not make the key read as down now.
        if (!down)
            ForgetKeyPress(code);
    }
}

} // namespace tv
