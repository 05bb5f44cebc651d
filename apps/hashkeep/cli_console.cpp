// The console hashkeep talks on, and names shown as GNU tools show them.
#include "cli_internal.h"

#include "platform/files.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace HashkeepCli {

bool NeedsEscaping(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || (c == '\\' && Platform::PathSeparator != '\\');
    });
}

std::string Escaped(std::string_view text) {
    if (!NeedsEscaping(text))
        return std::string(text);
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
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
                const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                                      static_cast<char>('0' + ((byte >> 3) & 7)),
                                      static_cast<char>('0' + (byte & 7))};
                shown.append(octal, sizeof octal);
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
