// The console hashkeep talks on, and names shown as GNU tools show them.
#include "cli_internal.h"

#include "platform/files.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace HashkeepCli {

namespace {

// The UTF-8 form of a C1 control character (U+0080 to U+009F: C2 80 to C2
// 9F), which a terminal takes as a command (U+009B is CSI) just as the C0
// ones. A single byte 0x80 to 0x9F is a letter in single-byte code pages.
bool IsC1Control(std::string_view text, size_t at) {
    return at + 1 < text.size() && static_cast<unsigned char>(text[at]) == 0xC2 &&
           static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
           static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

void AppendOctal(std::string& shown, unsigned char byte) {
    const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                          static_cast<char>('0' + ((byte >> 3) & 7)),
                          static_cast<char>('0' + (byte & 7))};
    shown.append(octal, sizeof octal);
}

} // namespace

bool NeedsEscaping(std::string_view text) {
    for (size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x20 || byte == 0x7F || IsC1Control(text, at) ||
            (text[at] == '\\' && Platform::PathSeparator != '\\'))
            return true;
    }
    return false;
}

std::string Escaped(std::string_view text) {
    if (!NeedsEscaping(text))
        return std::string(text);
    std::string shown;
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        const auto byte = static_cast<unsigned char>(c);
        if (IsC1Control(text, at)) {
            AppendOctal(shown, byte);
            AppendOctal(shown, static_cast<unsigned char>(text[++at]));
            continue;
        }
        switch (c) {
        case '\\':
            shown += "\\\\";
            break;
        case '\n':
            shown += "\\n";
            break;
        case '\r':
            shown += "\\r";
            break;
        case '\t':
            shown += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                AppendOctal(shown, byte);
            } else {
                shown += c;
            }
        }
    }
    return shown;
}

std::string ShownBytes(uint64_t bytes) {
    char text[32];
    const auto value = static_cast<double>(bytes);
    if (bytes < 1000)
        std::snprintf(text, sizeof text, "%u B", static_cast<unsigned>(bytes));
    else if (bytes < 1000000)
        std::snprintf(text, sizeof text, "%.1f kB", value / 1e3);
    else if (bytes < 1000000000)
        std::snprintf(text, sizeof text, "%.1f MB", value / 1e6);
    else
        std::snprintf(text, sizeof text, "%.2f GB", value / 1e9);
    return text;
}

TConsole::TConsole(std::ostream& out, std::ostream& err, TSettings settings)
    : Out_(out), Err_(err), Settings_(settings) {}

void TConsole::Result(const std::string& name, const std::string& status, bool problem) {
    if (Settings_.StatusOnly || (!problem && Settings_.QuietOk))
        return;
    EraseLive();
    Out_ << (NeedsEscaping(name) ? "\\" : "") << Escaped(name) << ": " << status << '\n';
}

void TConsole::Summary(const std::string& text) {
    if (Settings_.Summaries)
        ToErr(text + '\n');
}

void TConsole::Tell(const std::string& text) {
    ToErr(std::string(ToolName) + ": " + Escaped(text) + '\n');
}

void TConsole::ToErr(const std::string& line) {
    EraseLive();
    // Out and Err may share a pipe: the results before the line go first,
    // and the line goes in one piece, not word by word.
    Out_.flush();
    Err_ << line << std::flush;
}

void TConsole::DrawLive(const std::string& text) {
    if (!Settings_.DrawProgress)
        return;
    // Out and Err may share the terminal: what Out holds goes first.
    Out_.flush();
    std::string shown = "\r";
    shown += text;
    if (text.size() < LiveLength_)
        shown.append(LiveLength_ - text.size(), ' ');
    Err_ << shown << std::flush;
    LiveLength_ = text.size();
}

void TConsole::EraseLive() {
    if (LiveLength_ == 0)
        return;
    Err_ << '\r' << std::string(LiveLength_, ' ') << '\r' << std::flush;
    LiveLength_ = 0;
}

} // namespace HashkeepCli
