// LoadListOf: a list read as an algorithm given, or as its digests tell.
// Only the program reads lists whose names say nothing ("CHECKSUMS"), so
// this is a source of its own, and the plug-in links none of it.
#include "checker_internal.h"

#include <algorithm>

using namespace CheckerDetail;

bool TListParser::TellRow(TListParser& parser, std::string_view line) {
    if (line.front() == '\\')
        line.remove_prefix(1);
    const TAlgoDefinition* tagged = nullptr;
    if (TagLength(line, tagged) != 0) {
        parser.Row_ = tagged;
        return true;
    }
    // Only hexadecimal digits tell: a name of eight letters at the end of
    // a line of another algorithm would look like a CRC32 otherwise.
    for (const TAlgoDefinition& each : AlgoDefinitions) {
        const size_t space = each.HashFirst ? line.find(' ') : line.rfind(' ');
        const std::string_view digits = each.HashFirst                    ? line.substr(0, space)
                                        : space == std::string_view::npos ? std::string_view{}
                                                                          : line.substr(space + 1);
        if (digits.size() == static_cast<size_t>(each.HashLength) &&
            std::all_of(digits.begin(), digits.end(), IsHexDigit)) {
            parser.Row_ = &each;
            return true;
        }
    }
    std::string lengths;
    for (const TAlgoDefinition& each : AlgoDefinitions)
        lengths += (lengths.empty() ? "" : ", ") + std::to_string(each.HashLength);
    return parser.Reject(
        "has no digest of " + lengths + " hexadecimal digits to tell the algorithm by", true);
}

bool TFileChecker::LoadListOf(uint32_t ListAlgorithm, const std::string& ListName,
                              std::string* Reason) {
    if (ListAlgorithm == haNone)
        return LoadListInto(*this, ListName, nullptr, &TListParser::TellRow, Reason);
    TAlgoDefinition row;
    if (FindAlgoById(ListAlgorithm, row))
        return LoadListInto(*this, ListName, &row, nullptr, Reason);
    if (Reason != nullptr)
        *Reason = "no hash algorithm is chosen";
    return false;
}
