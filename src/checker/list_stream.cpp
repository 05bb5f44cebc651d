// TListStream: a list checked whole, then read again entry by entry, so that
// verifying a list of a million files costs a few pieces of it in memory
// instead of all its entries.
#include "checker_internal.h"

#include <new>

using namespace CheckerDetail;

struct TListStream::TState {
    TAlgoDefinition Row{};
    TRules Rules;
    std::string Path;
    const std::string* Text = nullptr; // a list held as text
    // The list as it was checked, and whether it is written in UTF-8
    // (TListParser::Utf8), which tells how its names are taken.
    uint64_t Count = 0, Size = 0;
    bool Utf8 = false;
    // The second reading: its bytes so far, the entries of the piece at
    // hand not yet handed out, and how many were.
    Platform::FileHandle File = Platform::InvalidFileHandle;
    bool Started = false, Finished = false;
    uint64_t Consumed = 0, HandedOut = 0;
    std::unique_ptr<TListParser> Parser;
    TFileCheckerItemArray Pending;
    size_t NextPending = 0;
    std::unique_ptr<char[]> Buffer;

    ~TState() { Platform::CloseFile(File); }

    // Up to Count bytes of the list from Offset on (the text's, or the
    // file's next ones).
    bool Read(uint64_t offset, uint32_t count, uint32_t& got) {
        if (Text == nullptr)
            return Platform::ReadFromFile(File, Buffer.get(), count, got);
        got = offset >= Text->size()
                  ? 0
                  : static_cast<uint32_t>(std::min<uint64_t>(count, Text->size() - offset));
        Text->copy(Buffer.get(), got, static_cast<size_t>(offset));
        return true;
    }

    bool Check(std::string& reason) {
        Buffer = std::make_unique_for_overwrite<char[]>(ReadBufferSize);
        if (Text == nullptr) {
            File = Platform::OpenFileForReading(Path);
            if (File == Platform::InvalidFileHandle) {
                reason = "cannot be opened: " + Platform::LastErrorText();
                return false;
            }
        }
        TFileCheckerItemArray entries;
        TListParser parser(Rules.TellRow ? nullptr : &Row, entries, Rules.MaxName, Rules.EntryLimit,
                           Rules.TellRow ? &TListParser::TellRow : nullptr);
        bool accepted = true;
        for (;;) {
            uint32_t got = 0;
            if (!Read(Size, ReadBufferSize, got)) {
                reason = "cannot be read: " + Platform::LastErrorText();
                return false;
            }
            if (got == 0)
                break;
            Size += got;
            accepted = parser.Feed(Buffer.get(), got);
            Show(entries);
            if (!accepted)
                break;
        }
        Platform::CloseFile(File);
        File = Platform::InvalidFileHandle;
        accepted = parser.Finish();
        Show(entries);
        if (!accepted) {
            reason = parser.Reason;
            return false;
        }
        Count = parser.Count();
        Utf8 = parser.Utf8();
        Row = *parser.Row();
        return true;
    }

    void Show(TFileCheckerItemArray& entries) const {
        if (Rules.OnEntry)
            for (const TFileCheckerItem& entry : entries)
                Rules.OnEntry(entry);
        entries.clear();
    }

    // Reads on until an entry is pending or the list as checked is read
    // whole; false, with Reason, when it cannot be read or reads otherwise.
    bool Fill(std::string& reason) {
        if (!Started) {
            Started = true;
            if (Text == nullptr) {
                File = Platform::OpenFileForReading(Path);
                if (File == Platform::InvalidFileHandle) {
                    reason = "cannot be opened: " + Platform::LastErrorText();
                    return false;
                }
            }
            Parser = std::make_unique<TListParser>(Row, Pending, Rules.MaxName, 0);
        }
        while (NextPending == Pending.size() && !Finished) {
            Pending.clear();
            NextPending = 0;
            // Only the bytes that were checked: what was added since is no
            // part of the list verified.
            if (Consumed == Size) {
                Finished = true;
                if (!Parser->Finish())
                    return Changed(reason, Parser->Reason);
                continue;
            }
            uint32_t got = 0;
            const auto want =
                static_cast<uint32_t>(std::min<uint64_t>(ReadBufferSize, Size - Consumed));
            if (!Read(Consumed, want, got)) {
                reason = "cannot be read: " + Platform::LastErrorText();
                return false;
            }
            if (got == 0)
                return Changed(reason, "it is shorter");
            Consumed += got;
            if (!Parser->Feed(Buffer.get(), got))
                return Changed(reason, Parser->Reason);
        }
        return true;
    }

    static bool Changed(std::string& reason, const std::string& how) {
        reason = "it changed since it was checked: " + how;
        return false;
    }
};

TListStream::TListStream() = default;
TListStream::~TListStream() = default;

// Path names the list's file, or Text (not null) holds the list itself.
bool TListStream::Open(const std::string& Path, const std::string* Text, const TAlgoDefinition& Row,
                       const TRules& Rules, std::string& Reason) {
    try {
        State_ = std::make_unique<TState>();
        State_->Row = Row;
        State_->Rules = Rules;
        State_->Path = Path;
        State_->Text = Text;
        return State_->Check(Reason);
    } catch (const std::bad_alloc&) {
        Reason = "not enough memory to hold it";
    } catch (...) {
        Reason = "it could not be read";
    }
    return false;
}

bool TListStream::OpenFile(const std::string& Path, const TAlgoDefinition& Row, const TRules& Rules,
                           std::string& Reason) {
    return Open(Path, nullptr, Row, Rules, Reason);
}

bool TListStream::OpenText(const std::string& Text, const TAlgoDefinition& Row, const TRules& Rules,
                           std::string& Reason) {
    return Open(std::string(), &Text, Row, Rules, Reason);
}

const TAlgoDefinition& TListStream::Row() const {
    static const TAlgoDefinition none{};
    return State_ ? State_->Row : none;
}

uint64_t TListStream::Count() const {
    return State_ ? State_->Count : 0;
}

bool TListStream::Next(TFileCheckerItem& Entry, std::string& Reason) {
    if (!State_)
        return false;
    TState& state = *State_;
    try {
        if (!state.Fill(Reason))
            return false;
        if (state.NextPending == state.Pending.size())
            return state.HandedOut != state.Count &&
                   TState::Changed(Reason, "it holds fewer entries");
        if (state.HandedOut == state.Count)
            return TState::Changed(Reason, "it holds more entries");
        Entry = std::move(state.Pending[state.NextPending++]);
        Entry.FileName = Platform::NameFromList(std::move(Entry.FileName), state.Utf8);
        // The last entry is handed out only once the list is known to hold
        // no other.
        if (++state.HandedOut == state.Count) {
            if (!state.Fill(Reason))
                return false;
            if (state.NextPending != state.Pending.size())
                return TState::Changed(Reason, "it holds more entries");
        }
        return true;
    } catch (const std::bad_alloc&) {
        Reason = "not enough memory to read it";
    }
    return false;
}
