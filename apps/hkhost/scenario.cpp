// The scenario reader: strict, so that a typo in a test is reported at its
// line instead of silently changing what the test exercises.
#include "scenario.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace HkHost {

namespace {

// A scenario is a handful of lines; anything larger is not one.
constexpr std::streamoff ScenarioSizeLimit = 1 << 20;
constexpr size_t DialogTextLimit = 511;

struct Token {
    std::string Text;
    bool Quoted = false;
};

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool Tokenize(const std::string& line, std::vector<Token>& tokens, std::string& error) {
    tokens.clear();
    size_t pos = 0;
    while (pos < line.size()) {
        const char c = line[pos];
        if (c == ' ' || c == '\t') {
            ++pos;
            continue;
        }
        Token token;
        if (c != '"') {
            while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') {
                if (line[pos] == '"') {
                    error = "a quote inside a word";
                    return false;
                }
                token.Text += line[pos++];
            }
            tokens.push_back(std::move(token));
            continue;
        }
        token.Quoted = true;
        ++pos;
        bool closed = false;
        while (pos < line.size()) {
            const char d = line[pos++];
            if (d == '"') {
                closed = true;
                break;
            }
            if (d != '\\') {
                token.Text += d;
                continue;
            }
            if (pos >= line.size())
                break;
            const char e = line[pos++];
            switch (e) {
            case '"':
                token.Text += '"';
                break;
            case '\\':
                token.Text += '\\';
                break;
            case 'r':
                token.Text += '\r';
                break;
            case 'n':
                token.Text += '\n';
                break;
            case 't':
                token.Text += '\t';
                break;
            case 'x': {
                const int high = pos < line.size() ? HexValue(line[pos]) : -1;
                const int low = pos + 1 < line.size() ? HexValue(line[pos + 1]) : -1;
                if (high < 0 || low < 0) {
                    error = "\\x needs two hexadecimal digits";
                    return false;
                }
                token.Text += static_cast<char>(high * 16 + low);
                pos += 2;
                break;
            }
            default:
                error = std::string("unknown escape \\") + e;
                return false;
            }
        }
        if (!closed) {
            error = "unterminated quoted text";
            return false;
        }
        if (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') {
            error = "no blank after a quoted text";
            return false;
        }
        tokens.push_back(std::move(token));
    }
    return true;
}

bool ParseNumber(const Token& token, int64_t low, int64_t high, int64_t& value) {
    if (token.Quoted || token.Text.empty())
        return false;
    const char* first = token.Text.data();
    const char* last = first + token.Text.size();
    int base = 10;
    bool negative = false;
    if (*first == '-') {
        negative = true;
        ++first;
    }
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        base = 16;
        first += 2;
    }
    uint64_t magnitude = 0;
    const auto [end, code] = std::from_chars(first, last, magnitude, base);
    if (code != std::errc() || end != last || first == last || magnitude > (uint64_t{1} << 62))
        return false;
    value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return value >= low && value <= high;
}

// Names stay inside the sandbox: relative, '/'-separated, no empty, "." or ".." part.
bool CheckName(const std::string& name, bool allowDot, std::string& error) {
    if (allowDot && name == ".")
        return true;
    if (name.empty() || name.front() == '/' || name.back() == '/') {
        error = "a name must be relative and not end in '/'";
        return false;
    }
    if (name.find('\\') != std::string::npos || name.find(':') != std::string::npos ||
        name.find('\0') != std::string::npos) {
        error = "a name must not hold '\\', ':' or NUL";
        return false;
    }
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") {
            error = "a name must not hold empty, \".\" or \"..\" parts";
            return false;
        }
        start = end + 1;
    }
    return true;
}

// A plain panel item name: one part, no separator.
bool CheckItemName(const std::string& name, std::string& error) {
    if (name.find('/') != std::string::npos) {
        error = "a panel item name has no directory part";
        return false;
    }
    return CheckName(name, false, error);
}

bool ParseBytes(const std::string& text, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (text == "-")
        return true;
    size_t pos = 0;
    for (;;) {
        if (pos + 2 > text.size())
            return false;
        const int high = HexValue(text[pos]);
        const int low = HexValue(text[pos + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
        pos += 2;
        if (pos == text.size())
            return true;
        if (text[pos++] != ',')
            return false;
    }
}

class Reader {
public:
    explicit Reader(Scenario& scenario) : S(scenario) {}

    bool Line(const std::vector<Token>& t, int number, std::string& error) {
        LineNumber = number;
        if (t[0].Quoted) {
            error = "a statement starts with a keyword";
            return false;
        }
        const std::string& word = t[0].Text;
        if (InDialog)
            return DialogLine(t, error);
        if (word == "dir" || word == "file")
            return EntryLine(t, error);
        if (word == "panel")
            return PanelLine(t, error);
        if (word == "registry")
            return RegistryLine(t, error);
        if (word == "call")
            return CallLine(t, error);
        if (word == "message")
            return MessageLine(t, error);
        if (word == "dialog") {
            if (!Count(t, 1, error))
                return false;
            ScenarioAnswer answer;
            answer.Type = ScenarioAnswer::Dialog;
            answer.Line = number;
            S.Answers.push_back(std::move(answer));
            InDialog = true;
            return true;
        }
        if (word == "press")
            return PressLine(t, error);
        if (word == "lock")
            return LockLine(t, error);
        if (word == "show")
            return ShowLine(t, error);
        if (word == "language") {
            if (!Count(t, 2, error) || !Quoted(t[1], error))
                return false;
            S.Language = t[1].Text;
            return true;
        }
        if (word == "struct-size" || word == "module-number") {
            int64_t value = 0;
            if (!Count(t, 2, error) || !Number(t[1], 0, 1 << 20, value, error))
                return false;
            (word == "struct-size" ? S.StructSize : S.ModuleNumber) = static_cast<int>(value);
            return true;
        }
        if (word == "root-key") {
            if (!Count(t, 2, error) || !Quoted(t[1], error))
                return false;
            if (t[1].Text.empty() || t[1].Text.front() == '\\' || t[1].Text.back() == '\\') {
                error = "the root key is a relative registry path";
                return false;
            }
            S.RootKey = t[1].Text;
            return true;
        }
        if (word == "registry-file") {
            if (!Count(t, 2, error) || !Quoted(t[1], error) || !CheckName(t[1].Text, false, error))
                return false;
            S.RegistryFile = t[1].Text;
            return true;
        }
        if (word == "getmsg") {
            if (!Count(t, 2, error) || !Word(t[1], {"hide", "show"}, error))
                return false;
            S.ShowGetMsg = t[1].Text == "show";
            return true;
        }
        error = "unknown statement \"" + word + "\"";
        return false;
    }

    bool Finish(std::string& error) {
        if (InDialog) {
            error = "line " + std::to_string(S.Answers.back().Line) +
                    ": dialog answer without \"close\"";
            return false;
        }
        if (S.Calls.empty()) {
            error = "no \"call\" statement: nothing to run";
            return false;
        }
        for (const ScenarioAnswer& answer : S.Answers)
            if (!answer.Unlock.empty() &&
                std::find(S.Locks.begin(), S.Locks.end(), answer.Unlock) == S.Locks.end()) {
                error = "line " + std::to_string(answer.Line) + ": \"" + answer.Unlock +
                        "\" is unlocked but never locked";
                return false;
            }
        return true;
    }

private:
    bool Count(const std::vector<Token>& t, size_t expected, std::string& error) {
        if (t.size() == expected)
            return true;
        error = "\"" + t[0].Text + "\" takes " + std::to_string(expected - 1) +
                " argument(s), not " + std::to_string(t.size() - 1);
        return false;
    }

    bool Quoted(const Token& token, std::string& error) {
        if (token.Quoted)
            return true;
        error = "expected a quoted text, found " + token.Text;
        return false;
    }

    bool Word(const Token& token, std::initializer_list<const char*> words, std::string& error) {
        if (!token.Quoted)
            for (const char* w : words)
                if (token.Text == w)
                    return true;
        error = "unexpected \"" + token.Text + "\", expected one of:";
        for (const char* w : words)
            error += std::string(" ") + w;
        return false;
    }

    bool Number(const Token& token, int64_t low, int64_t high, int64_t& value, std::string& error) {
        if (ParseNumber(token, low, high, value))
            return true;
        error = "expected a number from " + std::to_string(low) + " to " + std::to_string(high) +
                ", found \"" + token.Text + "\"";
        return false;
    }

    bool EntryLine(const std::vector<Token>& t, std::string& error) {
        if (t.size() < 2 || !Quoted(t[1], error))
            return error.empty() ? (error = "a name is missing", false) : false;
        if (!CheckName(t[1].Text, false, error))
            return false;
        for (const ScenarioEntry& entry : S.Entries)
            if (entry.Name == t[1].Text) {
                error = "\"" + t[1].Text + "\" is already made";
                return false;
            }
        ScenarioEntry entry;
        entry.Name = t[1].Text;
        if (t[0].Text == "dir") {
            if (!Count(t, 2, error))
                return false;
            entry.Type = ScenarioEntry::Directory;
            S.Entries.push_back(std::move(entry));
            return true;
        }
        if (t.size() < 3 || !Word(t[2], {"text", "empty", "pattern", "sparse"}, error))
            return error.empty() ? (error = "file takes a name and a content", false) : false;
        const std::string& kind = t[2].Text;
        int64_t size = 0;
        if (kind == "empty") {
            if (!Count(t, 3, error))
                return false;
            entry.Type = ScenarioEntry::Text;
        } else if (kind == "text") {
            if (!Count(t, 4, error) || !Quoted(t[3], error))
                return false;
            entry.Type = ScenarioEntry::Text;
            entry.Content = t[3].Text;
        } else if (kind == "pattern") {
            if (!Count(t, 5, error) || !Quoted(t[3], error) ||
                !Number(t[4], 0, static_cast<int64_t>(ScenarioFileSizeLimit), size, error))
                return false;
            if (t[3].Text.empty()) {
                error = "an empty pattern";
                return false;
            }
            entry.Type = ScenarioEntry::Pattern;
            entry.Content = t[3].Text;
            entry.Size = static_cast<uint64_t>(size);
        } else {
            if (!Count(t, 4, error) ||
                !Number(t[3], 0, static_cast<int64_t>(ScenarioSparseSizeLimit), size, error))
                return false;
            entry.Type = ScenarioEntry::Sparse;
            entry.Size = static_cast<uint64_t>(size);
        }
        S.Entries.push_back(std::move(entry));
        return true;
    }

    bool PanelLine(const std::vector<Token>& t, std::string& error) {
        if (t.size() < 3) {
            error = "panel takes a side, an attribute and its value";
            return false;
        }
        if (!Word(t[1], {"active", "passive"}, error) ||
            !Word(t[2], {"dir", "select", "cursor", "type", "plugin"}, error))
            return false;
        ScenarioPanel& panel = S.Panels[t[1].Text == "active" ? 0 : 1];
        const std::string& attribute = t[2].Text;
        if (attribute == "select") {
            if (t.size() < 4) {
                error = "select takes one or more names";
                return false;
            }
            for (size_t i = 3; i < t.size(); ++i) {
                if (!Quoted(t[i], error) || !CheckItemName(t[i].Text, error))
                    return false;
                panel.Selection.push_back(t[i].Text);
            }
            return true;
        }
        if (!Count(t, 4, error))
            return false;
        if (attribute == "dir") {
            if (!Quoted(t[3], error) || !CheckName(t[3].Text, true, error))
                return false;
            panel.Directory = t[3].Text;
        } else if (attribute == "cursor") {
            if (!Quoted(t[3], error) || !CheckItemName(t[3].Text, error))
                return false;
            panel.Cursor = t[3].Text;
        } else {
            int64_t value = 0;
            if (!Number(t[3], 0, 3, value, error))
                return false;
            (attribute == "type" ? panel.PanelType : panel.Plugin) = static_cast<int>(value);
        }
        return true;
    }

    bool RegistryLine(const std::vector<Token>& t, std::string& error) {
        if (!Count(t, 4, error) || !Quoted(t[1], error) ||
            !Word(t[2], {"text", "expand", "number", "bytes"}, error))
            return false;
        RegistryPreset preset;
        preset.Name = t[1].Text;
        const std::string& type = t[2].Text;
        if (type == "text" || type == "expand") {
            if (!Quoted(t[3], error))
                return false;
            preset.Value.Type = type == "text" ? Platform::RegistryValueType::Text
                                               : Platform::RegistryValueType::ExpandableText;
            preset.Value.Text = t[3].Text;
        } else if (type == "number") {
            int64_t value = 0;
            if (!Number(t[3], -2147483648LL, 4294967295LL, value, error))
                return false;
            preset.Value.Type = Platform::RegistryValueType::Number;
            preset.Value.Number = static_cast<uint32_t>(value);
        } else {
            preset.Value.Type = Platform::RegistryValueType::Bytes;
            if (t[3].Quoted || !ParseBytes(t[3].Text, preset.Value.Bytes)) {
                error = "bytes are written HH,HH,... (or - for none)";
                return false;
            }
        }
        S.Registry.push_back(std::move(preset));
        return true;
    }

    bool CallLine(const std::vector<Token>& t, std::string& error) {
        if (t.size() < 2 || !Word(t[1],
                                  {"info", "menu", "command", "config", "write", "select", "cursor",
                                   "step", "panels"},
                                  error))
            return error.empty()
                       ? (error = "call takes info, menu, command, config, write, select, "
                                  "cursor, step or panels",
                          false)
                       : false;
        ScenarioCall call;
        call.Line = LineNumber;
        const std::string& kind = t[1].Text;
        if (kind == "info" || kind == "menu" || kind == "panels") {
            if (!Count(t, 2, error))
                return false;
            call.Kind = kind == "info"   ? CallKind::PluginInfo
                        : kind == "menu" ? CallKind::Menu
                                         : CallKind::Panels;
        } else if (kind == "command" || kind == "step") {
            if (!Count(t, 3, error) || !Quoted(t[2], error))
                return false;
            call.Kind = kind == "command" ? CallKind::CommandLine : CallKind::Step;
            call.Text = t[2].Text;
        } else if (kind == "config") {
            int64_t value = 0;
            if (!Count(t, 3, error) || !Number(t[2], 0, 1000, value, error))
                return false;
            call.Kind = CallKind::Configure;
            call.Number = static_cast<int>(value);
        } else if (kind == "write") {
            if (!Count(t, 5, error) || !Quoted(t[2], error) ||
                !CheckName(t[2].Text, false, error) || !Word(t[3], {"text"}, error) ||
                !Quoted(t[4], error))
                return false;
            call.Kind = CallKind::WriteFile;
            call.Names.push_back(t[2].Text);
            call.Text = t[4].Text;
        } else {
            if (t.size() < 3 || !Word(t[2], {"active", "passive"}, error))
                return error.empty() ? (error = kind + " takes a panel side", false) : false;
            call.Kind = kind == "select" ? CallKind::Select : CallKind::Cursor;
            call.Side = t[2].Text == "active" ? PanelSide::Active : PanelSide::Passive;
            if (kind == "cursor" && !Count(t, 4, error))
                return false;
            for (size_t i = 3; i < t.size(); ++i) {
                if (!Quoted(t[i], error) || !CheckItemName(t[i].Text, error))
                    return false;
                call.Names.push_back(t[i].Text);
            }
        }
        S.Calls.push_back(std::move(call));
        return true;
    }

    bool LockLine(const std::vector<Token>& t, std::string& error) {
        if (!Count(t, 2, error) || !Quoted(t[1], error) || !CheckName(t[1].Text, false, error))
            return false;
        for (const std::string& locked : S.Locks)
            if (locked == t[1].Text) {
                error = "\"" + t[1].Text + "\" is already locked";
                return false;
            }
        S.Locks.push_back(t[1].Text);
        return true;
    }

    bool MessageLine(const std::vector<Token>& t, std::string& error) {
        // Two words more, "unlock" and the name, may follow the answer.
        if (t.size() != 4 && !Count(t, 2, error))
            return false;
        std::string unlock;
        if (t.size() == 4) {
            if (!Word(t[2], {"unlock"}, error) || !Quoted(t[3], error) ||
                !CheckName(t[3].Text, false, error))
                return false;
            unlock = t[3].Text;
        }
        ScenarioAnswer answer;
        answer.Type = ScenarioAnswer::Message;
        answer.Line = LineNumber;
        answer.Unlock = unlock;
        int64_t value = 0;
        if (!t[1].Quoted && t[1].Text == "esc")
            answer.Escape = true;
        else if (Number(t[1], 0, 99, value, error))
            answer.Index = static_cast<int>(value);
        else {
            error = "message takes a button number or esc";
            return false;
        }
        S.Answers.push_back(std::move(answer));
        return true;
    }

    bool DialogLine(const std::vector<Token>& t, std::string& error) {
        ScenarioAnswer& answer = S.Answers.back();
        const std::string& word = t[0].Text;
        if (!Word(t[0], {"edit", "check", "radio", "close"}, error)) {
            error = "inside a dialog answer: " + error;
            return false;
        }
        if (word == "close") {
            int64_t value = 0;
            if (!Count(t, 2, error))
                return false;
            if (!t[1].Quoted && t[1].Text == "esc")
                answer.Escape = true;
            else if (Number(t[1], 0, 9999, value, error))
                answer.Index = static_cast<int>(value);
            else {
                error = "close takes an item number or esc";
                return false;
            }
            InDialog = false;
            return true;
        }
        DialogAction action;
        action.Line = LineNumber;
        int64_t item = 0;
        const size_t expected = word == "radio" ? 2 : 3;
        if (!Count(t, expected, error) || !Number(t[1], 0, 9999, item, error))
            return false;
        action.Item = static_cast<int>(item);
        if (word == "edit") {
            if (!Quoted(t[2], error))
                return false;
            if (t[2].Text.size() > DialogTextLimit || t[2].Text.find('\0') != std::string::npos) {
                error = "an edit text holds at most 511 characters and no NUL";
                return false;
            }
            action.Type = DialogAction::Edit;
            action.Text = t[2].Text;
        } else if (word == "check") {
            if (!Word(t[2], {"on", "off"}, error))
                return false;
            action.Type = t[2].Text == "on" ? DialogAction::CheckOn : DialogAction::CheckOff;
        } else {
            action.Type = DialogAction::Radio;
        }
        answer.Actions.push_back(std::move(action));
        return true;
    }

    bool PressLine(const std::vector<Token>& t, std::string& error) {
        if (!Count(t, 5, error))
            return false;
        KeyPress key;
        key.Line = LineNumber;
        if (!t[1].Quoted && t[1].Text == "esc") {
            key.Escape = true;
        } else if (t[1].Quoted && t[1].Text.size() == 1 && t[1].Text[0] != '\x1b') {
            key.Escape = false;
            key.Character = t[1].Text[0];
        } else {
            error = "press takes esc or one quoted character";
            return false;
        }
        int64_t at = 0;
        if (!Word(t[2], {"at"}, error) || !Word(t[3], {"progress"}, error) ||
            !Number(t[4], 1, 1000000, at, error))
            return false;
        key.AtProgress = static_cast<int>(at);
        S.Keys.push_back(key);
        return true;
    }

    bool ShowLine(const std::vector<Token>& t, std::string& error) {
        if (t.size() < 2 || !Word(t[1], {"file", "registry"}, error))
            return error.empty() ? (error = "show takes file or registry", false) : false;
        if (t[1].Text == "registry") {
            if (!Count(t, 2, error))
                return false;
            S.ShowRegistry = true;
            return true;
        }
        if (!Count(t, 3, error) || !Quoted(t[2], error) || !CheckName(t[2].Text, false, error))
            return false;
        S.ShowFiles.push_back(t[2].Text);
        return true;
    }

    Scenario& S;
    bool InDialog = false;
    int LineNumber = 0;
};

} // namespace

bool ReadScenario(const std::string& text, Scenario& scenario, std::string& error) {
    scenario = Scenario{};
    Reader reader(scenario);
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    std::vector<Token> tokens;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::string reason;
        if (!Tokenize(line, tokens, reason) || !reader.Line(tokens, number, reason)) {
            error = "line " + std::to_string(number) + ": " + reason;
            return false;
        }
    }
    return reader.Finish(error);
}

bool ReadScenarioFile(const std::string& path, Scenario& scenario, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open the scenario " + path;
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > ScenarioSizeLimit) {
        error = "the scenario " + path + " is not a readable text of at most 1 MiB";
        return false;
    }
    in.seekg(0);
    std::string text(static_cast<size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    if (!in) {
        error = "cannot read the scenario " + path;
        return false;
    }
    if (!ReadScenario(text, scenario, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace HkHost
