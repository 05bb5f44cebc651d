#include "transcript_text.h"

#include "host/far170/far_interface.h"
#include "system_texts.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace HkHost {

namespace {

// The button sets of the host's message boxes live in bits 16 to 18.
constexpr uint32_t MessageButtonSetMask = 0x70000;

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

std::string NamedBits(uint32_t flags, const std::vector<std::pair<uint32_t, const char*>>& names) {
    if (flags == 0)
        return "0";
    std::string text;
    for (const auto& [bit, name] : names)
        if ((flags & bit) == bit) {
            text += text.empty() ? "" : "|";
            text += name;
            flags &= ~bit;
        }
    if (flags != 0) {
        text += text.empty() ? "" : "|";
        text += Hex(flags);
    }
    return text;
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
    if (what.empty())
        return;
    for (size_t pos = text.find(what); pos != std::string::npos;
         pos = text.find(what, pos + with.size()))
        text.replace(pos, what.size(), with);
}

} // namespace

TextShower::TextShower(const std::string& sandbox, char separator)
    : Sandbox_(sandbox), Separator_(separator) {
    for (const auto& [text, name] : SystemErrorTexts())
        if (!text.empty())
            SystemTexts_.emplace_back(text, "(system: " + name + ")");
    if (Separator_ == '\\')
        for (char& c : Sandbox_)
            if (c == '\\')
                c = '/';
    while (Sandbox_.size() > 1 && Sandbox_.back() == '/')
        Sandbox_.pop_back();
}

std::string TextShower::Plain(const std::string& text) const {
    std::string shown = text;
    if (Separator_ == '\\')
        for (char& c : shown)
            if (c == '\\')
                c = '/';
    ReplaceAll(shown, Sandbox_, "$SANDBOX");
    for (const auto& [systemText, name] : SystemTexts_)
        ReplaceAll(shown, systemText, name);
    return shown;
}

std::string TextShower::Quote(const char* text) const {
    if (text == nullptr)
        return "null";
    std::string quoted = "\"";
    quoted += EscapeBytes(Plain(text), false);
    quoted += '"';
    return quoted;
}

std::string EscapeBytes(const std::string& bytes, bool keepQuotes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\r':
            text += "\\r";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\t':
            text += "\\t";
            break;
        case '\\':
            text += "\\\\";
            break;
        case '"':
            text += keepQuotes ? "\"" : "\\\"";
            break;
        default:
            if (byte < 0x20 || byte >= 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
                text += escaped;
            } else {
                text += c;
            }
        }
    }
    return text;
}

std::string MessageFlagsText(uint32_t flags) {
    static const std::vector<std::pair<uint32_t, const char*>> names = {
        {FMSG_WARNING, "FMSG_WARNING"}, {0x2, "FMSG_ERRORTYPE"},
        {0x4, "FMSG_KEEPBACKGROUND"},   {0x8, "FMSG_DOWN"},
        {0x10, "FMSG_LEFTALIGN"},       {0x20, "FMSG_ALLINONE"},
    };
    static const char* const buttonSets[] = {
        nullptr,         "FMSG_MB_OK",          "FMSG_MB_OKCANCEL",    "FMSG_MB_ABORTRETRYIGNORE",
        "FMSG_MB_YESNO", "FMSG_MB_YESNOCANCEL", "FMSG_MB_RETRYCANCEL", nullptr};
    const uint32_t set = (flags & MessageButtonSetMask) >> 16;
    std::string text = NamedBits(flags & ~MessageButtonSetMask, names);
    if (set == 0)
        return text;
    const std::string setName = buttonSets[set] != nullptr ? buttonSets[set] : Hex(set << 16);
    return text == "0" ? setName : text + "|" + setName;
}

std::string DialogFlagsText(uint32_t flags) {
    static const std::vector<std::pair<uint32_t, const char*>> names = {
        {DIF_GROUP, "DIF_GROUP"},
        {DIF_CENTERGROUP, "DIF_CENTERGROUP"},
        {DIF_SEPARATOR, "DIF_SEPARATOR"},
        {DIF_DISABLE, "DIF_DISABLE"},
    };
    return NamedBits(flags, names);
}

std::string ItemTypeText(int type) {
    switch (type) {
    case DI_TEXT:
        return "DI_TEXT";
    case DI_DOUBLEBOX:
        return "DI_DOUBLEBOX";
    case DI_EDIT:
        return "DI_EDIT";
    case DI_BUTTON:
        return "DI_BUTTON";
    case DI_CHECKBOX:
        return "DI_CHECKBOX";
    case DI_RADIOBUTTON:
        return "DI_RADIOBUTTON";
    default:
        return "type " + std::to_string(type);
    }
}

std::string ControlCommandText(int command) {
    switch (command) {
    case FCTL_GETPANELINFO:
        return "FCTL_GETPANELINFO";
    case FCTL_GETANOTHERPANELINFO:
        return "FCTL_GETANOTHERPANELINFO";
    case FCTL_UPDATEPANEL:
        return "FCTL_UPDATEPANEL";
    case FCTL_UPDATEANOTHERPANEL:
        return "FCTL_UPDATEANOTHERPANEL";
    case FCTL_REDRAWPANEL:
        return "FCTL_REDRAWPANEL";
    case FCTL_REDRAWANOTHERPANEL:
        return "FCTL_REDRAWANOTHERPANEL";
    case FCTL_SETSELECTION:
        return "FCTL_SETSELECTION";
    case FCTL_SETANOTHERSELECTION:
        return "FCTL_SETANOTHERSELECTION";
    default:
        return "command " + std::to_string(command);
    }
}

std::string DialogMessageText(int message) {
    switch (message) {
    case DM_ENABLE:
        return "DM_ENABLE";
    case DM_GETTEXT:
        return "DM_GETTEXT";
    case DM_GETTEXTLENGTH:
        return "DM_GETTEXTLENGTH";
    case DM_SETTEXTPTR:
        return "DM_SETTEXTPTR";
    case DN_BTNCLICK:
        return "DN_BTNCLICK";
    default:
        return "message " + Hex(static_cast<uint32_t>(message));
    }
}

} // namespace HkHost
