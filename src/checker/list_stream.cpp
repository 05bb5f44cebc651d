// TListStream: a list checked whole, then read again entry by entry, so that
// verifying a list of a million files costs a few pieces of it in memory
// instead of all its entries.
#include "checker_internal.h"

#include <new>

using namespace CheckerDetail;

namespace {

// What tells the list read the second time from the one checked. Its bytes
// are digested too: on Windows, and wherever a writer puts the times back,
// the times alone do not tell an edit at the same size.
constexpr uint32_t ListDigestAlgorithm = haSha256;

// How the file at the second reading differs from the one checked; empty
// when it does not.
std::string Difference(const Platform::FileState& checked, const Platform::FileState& now) {
    if (now.Volume != checked.Volume || now.Index != checked.Index)
        return "another file is in its place";
    if (now.Size != checked.Size)
        return "its size changed";
    if (now != checked)
        return "its times moved";
    return {};
}

} // namespace

struct TListStream::TState {
    TListFormats Formats;
    TListFormat Format;
    TRules Rules;
    std::string Path;
    const std::string* Text = nullptr; // a list held as text
    // The list as it was checked: its entries, what they weigh, whether it
    // is written in UTF-8 (TListParser::Utf8), which tells how its names
    // are taken; its file's state and the digest of its bytes.
    uint64_t Count = 0, Size = 0, Weight = 0;
    bool Utf8 = false;
    Platform::FileState Checked;
    std::string Digest;
    // The second reading: its bytes so far, the entries of the piece at
    // hand not yet handed out, and how many were.
    Platform::FileHandle File = Platform::InvalidFileHandle;
    bool Started = false, Finished = false, Stopped = false;
    uint64_t Consumed = 0, HandedOut = 0;
    std::unique_ptr<TListParser> Parser;
    TDigestRunner Digesting;
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
            File = Platform::OpenFileForReading(Path, &Checked);
            if (File == Platform::InvalidFileHandle) {
                reason = "cannot be opened: " + Platform::LastErrorText();
                return false;
            }
        }
        TListChooser chooser(Formats, Rules.MaxName, Rules.EntryLimit);
        std::vector<uint64_t> weights(Formats.Formats.size());
        auto weigh = [&] {
            chooser.Drain([&](size_t format, const TFileCheckerItem& entry) {
                if (Rules.Weigh)
                    weights[format] += Rules.Weigh(entry);
            });
        };
        TDigestRunner digest;
        digest.Start(ListDigestAlgorithm);
        for (;;) {
            uint32_t got = 0;
            if (!Read(Size, ReadBufferSize, got)) {
                reason = "cannot be read: " + Platform::LastErrorText();
                return false;
            }
            if (got == 0)
                break;
            Size += got;
            if (Text == nullptr)
                digest.Update(Buffer.get(), static_cast<uint16_t>(got));
            const bool reading = chooser.Feed(Buffer.get(), got);
            weigh();
            if (!reading)
                break;
        }
        const bool accepted = chooser.Finish();
        weigh();
        if (!accepted) {
            reason = chooser.Reason;
            return false;
        }
        if (Text == nullptr) {
            // Written while it was checked, it was checked as no one list.
            Platform::FileState now;
            if (!Platform::GetFileState(File, now)) {
                reason = "cannot be read: " + Platform::LastErrorText();
                return false;
            }
            if (const std::string how = Difference(Checked, now); !how.empty()) {
                reason = "it changed while it was read: " + how;
                return false;
            }
            Platform::CloseFile(File);
            File = Platform::InvalidFileHandle;
        }
        Format = chooser.Format();
        Count = chooser.Parser().Count();
        Utf8 = chooser.Parser().Utf8();
        Weight = weights[chooser.Index()];
        Digest = digest.Finish();
        return true;
    }

    // Reads on until an entry is pending or the list as checked is read
    // whole; false, with Reason, when it cannot be read or is no longer the
    // list checked.
    bool Fill(std::string& reason) {
        if (!Started) {
            Started = true;
            if (Text == nullptr) {
                Platform::FileState opened;
                File = Platform::OpenFileForReading(Path, &opened);
                if (File == Platform::InvalidFileHandle) {
                    reason = "cannot be opened: " + Platform::LastErrorText();
                    return false;
                }
                if (const std::string how = Difference(Checked, opened); !how.empty())
                    return Changed(reason, how);
            }
            Parser = std::make_unique<TListParser>(Format, Formats.CheckDigits, Pending,
                                                   Rules.MaxName, 0);
            Digesting.Start(ListDigestAlgorithm);
        }
        while (NextPending == Pending.size() && !Finished) {
            Pending.clear();
            NextPending = 0;
            // Only the bytes that were checked; once they are read, the
            // list must still be the one checked, and have been all along.
            if (Consumed == Size) {
                Finished = true;
                if (!Parser->Finish())
                    return Changed(reason, Parser->Reason);
                if (Text != nullptr)
                    continue;
                Platform::FileState now;
                if (!Platform::GetFileState(File, now)) {
                    reason = "cannot be read: " + Platform::LastErrorText();
                    return false;
                }
                if (const std::string how = Difference(Checked, now); !how.empty())
                    return Changed(reason, how);
                if (Digesting.Finish() != Digest)
                    return Changed(reason, "its bytes differ");
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
            if (Text == nullptr)
                Digesting.Update(Buffer.get(), static_cast<uint16_t>(got));
            if (!Parser->Feed(Buffer.get(), got))
                return Changed(reason, Parser->Reason);
        }
        return true;
    }

    static bool Changed(std::string& reason, const std::string& how) {
        reason = "the list changed since it was checked: " + how;
        return false;
    }
};

TListStream::TListStream() = default;
TListStream::~TListStream() = default;

// Path names the list's file, or Text (not null) holds the list itself.
bool TListStream::Open(const std::string& Path, const std::string* Text, uint32_t Algorithm,
                       const TRules& Rules, std::string& Reason) {
    try {
        State_ = std::make_unique<TState>();
        State_->Formats = ListFormatsOf(Algorithm, Text == nullptr ? &Path : nullptr);
        if (State_->Formats.Formats.empty()) {
            Reason = "no hash algorithm is chosen";
            State_.reset();
            return false;
        }
        State_->Rules = Rules;
        State_->Path = Path;
        State_->Text = Text;
        if (State_->Check(Reason))
            return true;
    } catch (const std::bad_alloc&) {
        Reason = "not enough memory to hold it";
    } catch (...) {
        Reason = "it could not be read";
    }
    State_.reset();
    return false;
}

bool TListStream::OpenFile(const std::string& Path, uint32_t Algorithm, const TRules& Rules,
                           std::string& Reason) {
    return Open(Path, nullptr, Algorithm, Rules, Reason);
}

bool TListStream::OpenText(const std::string& Text, uint32_t Algorithm, const TRules& Rules,
                           std::string& Reason) {
    return Open(std::string(), &Text, Algorithm, Rules, Reason);
}

const TAlgoDefinition& TListStream::Row() const {
    static const TAlgoDefinition none{};
    return State_ ? *State_->Format.Row : none;
}

uint64_t TListStream::Count() const {
    return State_ ? State_->Count : 0;
}

uint64_t TListStream::Weight() const {
    return State_ ? State_->Weight : 0;
}

bool TListStream::Next(TFileCheckerItem& Entry, std::string& Reason) {
    if (!State_ || State_->Stopped)
        return false;
    TState& state = *State_;
    try {
        if (!state.Fill(Reason)) {
            state.Stopped = true;
            return false;
        }
        if (state.NextPending == state.Pending.size()) {
            state.Stopped = true;
            return state.HandedOut != state.Count &&
                   TState::Changed(Reason, "it holds fewer entries");
        }
        Entry = std::move(state.Pending[state.NextPending++]);
        Entry.FileName = Platform::NameFromList(std::move(Entry.FileName), state.Utf8);
        // The last entry is handed out only once the list is known to hold
        // no other, and to be the list checked.
        if (++state.HandedOut == state.Count) {
            if (!state.Fill(Reason)) {
                state.Stopped = true;
                return false;
            }
            if (state.NextPending != state.Pending.size()) {
                state.Stopped = true;
                return TState::Changed(Reason, "it holds more entries");
            }
        }
        return true;
    } catch (const std::bad_alloc&) {
        Reason = "not enough memory to read it";
    }
    state.Stopped = true;
    return false;
}
