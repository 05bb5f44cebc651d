// LoadList's reader on arbitrary bytes, in the form each row writes and in
// every set of formats a list may be read in (a name, -a, none). Besides
// surviving every input under the sanitizers, the reader must decide the
// same however the bytes are cut into reads, must agree with the plain form
// of the rules, and may hand out only entries that name a file below the
// directory.
#include "fuzz_support.h"
#include "list_reference.h"

#include "checker/checker_internal.h"

#include <algorithm>
#include <string_view>
#include <vector>

using CheckerDetail::TListChooser;
using CheckerDetail::TListFormats;
using FuzzSupport::Require;

namespace {

struct TParsed {
    bool Accepted = false;
    size_t Format = 0;
    TFileCheckerItemArray Entries;
};

// Feeds Text in pieces whose sizes follow Step(index), as reads would hand it over.
template <typename StepFunction>
TParsed Parse(const TListFormats& formats, std::string_view text, StepFunction step) {
    TParsed parsed;
    TListChooser chooser(formats, MaxListNameLength, ListEntryLimit);
    size_t at = 0;
    bool going = true;
    for (size_t piece = 0; going && at < text.size(); ++piece) {
        const size_t count = std::min(step(piece), text.size() - at);
        going = chooser.Feed(text.data() + at, count);
        at += count;
    }
    parsed.Accepted = chooser.Finish();
    Require(parsed.Accepted == chooser.Reason.empty(),
            "a rejected list says why, an accepted one does not");
    if (parsed.Accepted) {
        parsed.Format = chooser.Index();
        parsed.Entries = chooser.Entries();
    }
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
    // Each row's own form, each row's every form (-a, or a name such as
    // x.crc32), and every row's (a name that states none).
    std::vector<TListFormats> sets;
    for (const TAlgoDefinition& row : AlgoDefinitions) {
        sets.push_back({{{&row, row.HashFirst ? lfDigestFirst : lfNameFirst}}, false});
        sets.push_back(CheckerDetail::ListFormatsOf(static_cast<uint32_t>(row.Id), nullptr));
    }
    sets.push_back(CheckerDetail::ListFormatsOf(haNone, nullptr));
    for (const TListFormats& formats : sets) {
        const TParsed whole = Parse(formats, text, [&](size_t) { return text.size(); });
        // Small uneven pieces put CR and LF, blanks and the line bound on
        // every side of a read boundary.
        const TParsed pieces =
            Parse(formats, text, [&](size_t piece) { return 1 + (piece * 7 + size) % 13; });
        Require(whole.Accepted == pieces.Accepted && whole.Format == pieces.Format &&
                    SameEntries(whole.Entries, pieces.Entries),
                "the reads' boundaries change nothing");

        std::vector<ListReference::TFormat> plain;
        for (const auto& format : formats.Formats)
            plain.push_back({format.Row, format.Form});
        ListReference::TResult reference;
        const auto chosen = ListReference::Choose(plain, formats.CheckDigits, text, reference);
        Require(whole.Accepted == chosen.has_value(), "accepted exactly when the rules accept");
        if (!whole.Accepted) {
            // A rejected list hands out nothing: LoadList keeps what it had.
            continue;
        }
        Require(whole.Format == *chosen, "the format the rules choose");
        Require(SameEntries(whole.Entries, reference.Entries), "the entries the rules give");
        const TAlgoDefinition& row = *formats.Formats[whole.Format].Row;
        for (const TFileCheckerItem& item : whole.Entries) {
            Require(item.Hash.size() == static_cast<size_t>(row.HashLength), "digest length");
            Require(ListPathFault(item.FileName).empty() &&
                        TopLevelName(item.FileName).find_first_not_of(". ") !=
                            std::string_view::npos,
                    "an entry names a file below the directory");
        }
    }
    return 0;
}
