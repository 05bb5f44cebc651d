// LoadList's reader on arbitrary bytes, under each of the table's rows.
// Besides surviving every input under the sanitizers, the reader must decide
// the same however the bytes are cut into reads, must agree with the plain
// form of the rules, and may hand out only entries that name a file below
// the directory.
#include "fuzz_support.h"
#include "list_reference.h"

#include "checker/checker_internal.h"

#include <algorithm>
#include <string_view>
#include <vector>

using CheckerDetail::TListParser;
using FuzzSupport::Require;

namespace {

struct TParsed {
    bool Accepted = false;
    TFileCheckerItemArray Entries;
};

// Feeds Text in pieces whose sizes follow Step(index), as reads would hand it over.
template <typename StepFunction>
TParsed Parse(const TAlgoDefinition* row, std::string_view text, StepFunction step) {
    TParsed parsed;
    TListParser parser(row, parsed.Entries, MaxListNameLength, ListEntryLimit,
                       row == nullptr ? &TListParser::TellRow : nullptr);
    size_t at = 0;
    bool going = true;
    for (size_t piece = 0; going && at < text.size(); ++piece) {
        const size_t count = std::min(step(piece), text.size() - at);
        going = parser.Feed(text.data() + at, count);
        at += count;
    }
    parsed.Accepted = parser.Finish();
    Require(parsed.Accepted == parser.Reason.empty(),
            "a rejected list says why, an accepted one does not");
    return parsed;
}

bool SameEntries(const TFileCheckerItemArray& a, const TFileCheckerItemArray& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const TFileCheckerItem& x, const TFileCheckerItem& y) {
                          return x.FileName == y.FileName && x.Hash == y.Hash;
                      });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Each row, and none: the row told by the first entry.
    std::vector<const TAlgoDefinition*> rows{nullptr};
    for (const TAlgoDefinition& row : AlgoDefinitions)
        rows.push_back(&row);
    for (const TAlgoDefinition* row : rows) {
        const TParsed whole = Parse(row, text, [&](size_t) { return text.size(); });
        // Small uneven pieces put CR and LF, blanks and the line bound on
        // every side of a read boundary.
        const TParsed pieces =
            Parse(row, text, [&](size_t piece) { return 1 + (piece * 7 + size) % 13; });
        Require(whole.Accepted == pieces.Accepted && SameEntries(whole.Entries, pieces.Entries),
                "the reads' boundaries change nothing");

        const ListReference::TResult reference = ListReference::Read(row, text);
        Require(whole.Accepted == reference.Accepted, "accepted exactly when the rules accept");
        if (!whole.Accepted) {
            // A rejected list hands out nothing: LoadList keeps what it had.
            continue;
        }
        Require(SameEntries(whole.Entries, reference.Entries), "the entries the rules give");
        for (const TFileCheckerItem& item : whole.Entries) {
            Require(row == nullptr || item.Hash.size() == static_cast<size_t>(row->HashLength),
                    "digest length");
            Require(ListPathFault(item.FileName).empty() &&
                        TopLevelName(item.FileName).find_first_not_of(". ") !=
                            std::string_view::npos,
                    "an entry names a file below the directory");
        }
    }
    return 0;
}
