// The commands of hashkeep. Every file is hashed, every list read and written
// by TFileChecker, exactly as the plug-in does it; this file adds only the
// command line, the messages and the progress display.
#include "hashkeep_cli.h"

#include "checker/checker.h"
#include "platform/files.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <set>

namespace {

constexpr const char* ToolName = "hashkeep";

// What crFailed means once every read error has been answered skip or abort.
constexpr const char* Unhashable =
    "cannot be hashed: its size cannot be taken, or it shrank while it was read";

// --- Help ----------------------------------------------------------------------

constexpr const char* ToolHelp =
    "Usage: hashkeep COMMAND [OPTION]... [ARGUMENT]...\n"
    "Create and verify CRC32 (.sfv), MD5 (.md5) and SHA1 (.sha1) hash lists.\n"
    "\n"
    "Commands:\n"
    "  create   hash files and write a hash list\n"
    "  verify   check files against a hash list\n"
    "  compare  compare the files of two directories digest against digest\n"
    "  demo     show create and verify at work in a fresh directory\n"
    "\n"
    "Options of every command:\n"
    "  -q, --quiet             draw no progress\n"
    "      --on-error ACTION   on a file that cannot be read: skip (default) or abort\n"
    "  -h, --help              show the help of the command\n"
    "\n"
    "'hashkeep COMMAND --help' tells more. Exit status: 0 all is well, 1 a file\n"
    "mismatched, was missing or was skipped, 2 usage error, unreadable or invalid\n"
    "list, or a failed or aborted run.\n";

constexpr const char* CreateHelp =
    "Usage: hashkeep create [OPTION]... FILE...\n"
    "Hash the FILEs of a directory and write one hash list for them.\n"
    "\n"
    "  -a, --algorithm ALGO   crc32, md5 (default) or sha1\n"
    "  -C, --directory DIR    the FILEs are in DIR (default: the current directory)\n"
    "  -o, --output LIST      the list's name, taken in DIR unless absolute; default:\n"
    "                         the FILE's name when there is one FILE, else 'hashlist',\n"
    "                         followed by .sfv, .md5 or .sha1\n"
    "      --separate         one list per FILE beside it (FILE.md5 ...) instead\n"
    "      --text             mark MD5 and SHA1 lines as read in text mode (' ')\n"
    "                         instead of binary mode ('*'); the digest is the same\n"
    "  -q, --quiet            draw no progress\n"
    "      --on-error ACTION  skip (default) or abort on a file that cannot be read\n"
    "\n"
    "A FILE is a plain name in DIR: a list cannot hold directory parts.\n";

constexpr const char* VerifyHelp =
    "Usage: hashkeep verify [OPTION]... LIST\n"
    "Hash every file named in LIST again and report those that differ.\n"
    "The algorithm comes from LIST's extension: .sfv, .md5 or .sha1.\n"
    "\n"
    "  -C, --directory DIR    look for the files in DIR (default: LIST's directory)\n"
    "  -q, --quiet            draw no progress\n"
    "      --on-error ACTION  skip (default) or abort on a file that cannot be read\n"
    "\n"
    "Prints 'NAME: FAILED' for each file whose digest differs, 'NAME: MISSING' and\n"
    "'NAME: SKIPPED' for the files that could not be checked, then the counts.\n";

constexpr const char* CompareHelp =
    "Usage: hashkeep compare [OPTION]... DIR_A DIR_B [FILE]...\n"
    "Compare the FILEs of DIR_A (default: all its files) with the files of the same\n"
    "names in DIR_B, digest against digest.\n"
    "\n"
    "  -a, --algorithm ALGO   crc32, md5 (default) or sha1\n"
    "  -q, --quiet            draw no progress\n"
    "      --on-error ACTION  skip (default) or abort on a file that cannot be read\n"
    "\n"
    "Prints 'NAME: DIFFERENT' and 'NAME: MISSING in DIR', then the counts.\n";

constexpr const char* DemoHelp =
    "Usage: hashkeep demo [DIR]\n"
    "Make a few sample files in the fresh directory DIR (default: a new\n"
    "hashkeep-demo directory here), create a list of them, verify it, change one\n"
    "file and verify again, showing each command as it runs. DIR is left behind\n"
    "for a look; remove it when done.\n";

// --- Command line ----------------------------------------------------------------

struct TOption {
    char Short;       // 0: none
    const char* Long; // without the dashes
    bool TakesValue;
};

constexpr TOption CommonOptions[] = {
    {'q', "quiet", false},
    {0, "on-error", true},
    {'h', "help", false},
};

struct TCommandLine {
    std::map<std::string, std::string> Values; // by long name; flags map to ""
    std::vector<std::string> Operands;

    bool Has(const std::string& name) const { return Values.count(name) != 0; }
    std::string Value(const std::string& name, const std::string& fallback = {}) const {
        const auto found = Values.find(name);
        return found == Values.end() ? fallback : found->second;
    }
};

// Options may stand anywhere among the operands; "--" ends them.
bool ParseCommandLine(const std::vector<std::string>& args, size_t first,
                      const std::vector<TOption>& options, TCommandLine& line, std::string& error) {
    bool optionsEnded = false;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            line.Operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const TOption* option = nullptr;
        std::optional<std::string> attached;
        if (arg[1] == '-') {
            const size_t equals = arg.find('=');
            const std::string name =
                arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            for (const TOption& candidate : options)
                if (name == candidate.Long)
                    option = &candidate;
            if (equals != std::string::npos)
                attached = arg.substr(equals + 1);
        } else {
            for (const TOption& candidate : options)
                if (candidate.Short == arg[1])
                    option = &candidate;
            if (arg.size() > 2)
                attached = arg.substr(2);
        }
        if (option == nullptr) {
            error = "unknown option '" + arg + "'";
            return false;
        }
        std::string value;
        if (option->TakesValue) {
            if (attached) {
                value = *attached;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                error = "option '" + arg + "' needs a value";
                return false;
            }
        } else if (attached) {
            error = "option '" + arg + "' takes no value";
            return false;
        }
        line.Values[option->Long] = value;
    }
    return true;
}

std::string Counted(size_t count, const std::string& thing) {
    return std::to_string(count) + ' ' + thing + (count == 1 ? "" : "s");
}

bool ParseAlgorithm(std::string text, uint32_t& algorithm) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    for (const TAlgoDefinition& row : AlgoDefinitions)
        if (text == row.Name) {
            algorithm = static_cast<uint32_t>(row.Id);
            return true;
        }
    return false;
}

// --- Running one command -------------------------------------------------------------

// What the checker's callbacks need: where to talk, and how to answer.
class TCliChecker : public TFileChecker {
public:
    TCliChecker(const std::string& directory, std::ostream& err, bool drawProgress,
                bool abortOnError)
        : TFileChecker(directory), Err_(err), DrawProgress_(drawProgress),
          AbortOnError_(abortOnError) {
        OnProgress = [](TFileChecker* sender, const std::string& name, int32_t percent, bool&) {
            static_cast<TCliChecker*>(sender)->ShowProgress(name, percent);
        };
        OnEndFile = [](TFileChecker* sender, const std::string&, intptr_t) {
            static_cast<TCliChecker*>(sender)->ClearProgress();
        };
        OnReadError = [](TFileChecker* sender, const std::string& name, int32_t& action) {
            action = static_cast<TCliChecker*>(sender)->ReadError(name);
        };
    }

    // Err, with any progress line taken away first.
    std::ostream& Message() {
        ClearProgress();
        return Err_ << ToolName << ": ";
    }

private:
    // Long names are cut from the front so the line fits a console row and
    // the carriage return can redraw it in place.
    static constexpr size_t ShownNameLength = 60;

    void ShowProgress(const std::string& name, int32_t percent) {
        if (!DrawProgress_)
            return;
        std::string shown = name.size() > ShownNameLength
                                ? "..." + name.substr(name.size() - (ShownNameLength - 3))
                                : name;
        shown += "  " + std::to_string(percent) + "%";
        const size_t drawn = shown.size();
        if (shown.size() < DrawnLength_)
            shown.append(DrawnLength_ - shown.size(), ' ');
        Err_ << '\r' << shown << std::flush;
        DrawnLength_ = drawn;
    }

    void ClearProgress() {
        if (DrawnLength_ == 0)
            return;
        Err_ << '\r' << std::string(DrawnLength_, ' ') << '\r' << std::flush;
        DrawnLength_ = 0;
    }

    int32_t ReadError(const std::string& name) {
        const std::string cause = Platform::LastErrorText();
        Message() << ExpandName(name) << ": cannot be read: " << cause
                  << (AbortOnError_ ? "; stopping\n" : "; skipped\n");
        return AbortOnError_ ? raAbort : raSkip;
    }

    std::ostream& Err_;
    const bool DrawProgress_;
    const bool AbortOnError_;
    size_t DrawnLength_ = 0;
};

class TRun {
public:
    TRun(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
         bool errIsTerminal)
        : Args_(args), Out_(out), Err_(err), ErrIsTerminal_(errIsTerminal) {}

    int Main() {
        if (Args_.empty()) {
            Err_ << ToolHelp;
            return HashkeepFailed;
        }
        const std::string& command = Args_[0];
        if (command == "-h" || command == "--help" || command == "help") {
            Out_ << ToolHelp;
            return HashkeepAllWell;
        }
        if (command == "--version") {
            Out_ << ToolName << ' ' << HASHKEEP_VERSION << '\n';
            return HashkeepAllWell;
        }
        if (command == "create")
            return Create();
        if (command == "verify")
            return Verify();
        if (command == "compare")
            return Compare();
        if (command == "demo")
            return Demo();
        Err_ << ToolName << ": unknown command '" << command << "'\n"
             << "Try 'hashkeep --help'.\n";
        return HashkeepFailed;
    }

private:
    // Parses the command's options; Done holds the exit status when the
    // command is over already (help shown, or a usage error).
    bool Parse(const std::vector<TOption>& own, const char* help, TCommandLine& line, int& done) {
        std::vector<TOption> options(std::begin(CommonOptions), std::end(CommonOptions));
        options.insert(options.end(), own.begin(), own.end());
        std::string error;
        if (!ParseCommandLine(Args_, 1, options, line, error)) {
            done = UsageError(error);
            return false;
        }
        if (line.Has("help")) {
            Out_ << help;
            done = HashkeepAllWell;
            return false;
        }
        const std::string onError = line.Value("on-error", "skip");
        if (onError != "skip" && onError != "abort") {
            done = UsageError("--on-error takes skip or abort, not '" + onError + "'");
            return false;
        }
        return true;
    }

    int UsageError(const std::string& error) {
        Err_ << ToolName << ' ' << Args_[0] << ": " << error << '\n'
             << "Try 'hashkeep " << Args_[0] << " --help'.\n";
        return HashkeepFailed;
    }

    bool ParseAlgorithmOption(const TCommandLine& line, uint32_t& algorithm, int& done) {
        algorithm = haMd5;
        if (line.Has("algorithm") && !ParseAlgorithm(line.Value("algorithm"), algorithm)) {
            done = UsageError("unknown algorithm '" + line.Value("algorithm") +
                              "' (crc32, md5, sha1)");
            return false;
        }
        return true;
    }

    TCliChecker MakeChecker(const std::string& directory, const TCommandLine& line) {
        return TCliChecker(directory, Err_, ErrIsTerminal_ && !line.Has("quiet"),
                           line.Value("on-error") == "abort");
    }

    int Create() {
        TCommandLine line;
        int done = 0;
        uint32_t algorithm = haNone;
        if (!Parse({{'a', "algorithm", true},
                    {'C', "directory", true},
                    {'o', "output", true},
                    {0, "separate", false},
                    {0, "text", false}},
                   CreateHelp, line, done) ||
            !ParseAlgorithmOption(line, algorithm, done))
            return done;
        if (line.Operands.empty())
            return UsageError("no FILE to hash");
        if (line.Has("separate") && line.Has("output"))
            return UsageError("--output names one list; --separate writes one per file");
        TAlgoDefinition row;
        FindAlgoById(algorithm, row);
        for (const std::string& name : line.Operands)
            if (!CanStandInList(algorithm, name))
                return UsageError("'" + name +
                                  "' cannot stand in a list: a list holds plain names of the files "
                                  "in one directory (use -C DIR), without wildcards, control "
                                  "characters or blanks at either end, and no SFV name begins "
                                  "with ';'");

        TCliChecker checker = MakeChecker(line.Value("directory", "."), line);
        checker.Algorithm = algorithm;
        checker.ModeMark = line.Has("text") ? TextModeMarkValue : BinaryModeMarkValue;
        int status = HashkeepAllWell;
        for (const std::string& name : line.Operands) {
            switch (checker.AddFile(name)) {
            case crOk:
                break;
            case crSkipped:
                status = HashkeepProblemsFound;
                break;
            case crAborted:
                checker.Message() << "create: stopped; no list written\n";
                return HashkeepFailed;
            default:
                if (!Platform::FileExists(checker.BaseDir + name)) {
                    std::error_code error;
                    checker.Message()
                        << checker.BaseDir + name
                        << (std::filesystem::is_directory(checker.BaseDir + name, error)
                                ? ": is a directory, not a file\n"
                                : ": no such file\n");
                    status = HashkeepProblemsFound;
                    break;
                }
                checker.Message() << checker.BaseDir + name << ": " << Unhashable
                                  << "; no list written\n";
                return HashkeepFailed;
            }
        }
        if (checker.Count() == 0) {
            checker.Message() << "create: no file could be hashed; no list written\n";
            return status;
        }

        const bool separate = line.Has("separate");
        const std::string listName = line.Value(
            "output", (line.Operands.size() == 1 ? line.Operands[0] : "hashlist") + row.Extension);
        std::string reason;
        if (!checker.SaveList(listName, separate, &reason)) {
            checker.Message() << "create: " << reason << '\n';
            return HashkeepFailed;
        }
        if (separate)
            Out_ << "wrote " << Counted(checker.Items.size(), std::string(row.Name) + " list")
                 << ", one beside each file in " << checker.BaseDir << '\n';
        else
            Out_ << "wrote " << checker.ExpandName(listName) << ": "
                 << Counted(checker.Items.size(), std::string(row.Name) + " digest") << '\n';
        return status;
    }

    // A name that a list can hold and give back unchanged.
    static bool CanStandInList(uint32_t algorithm, const std::string& name) {
        return ListCanHoldName(algorithm, name) &&
               std::none_of(name.begin(), name.end(),
                            [](char c) { return static_cast<unsigned char>(c) < ' '; });
    }

    int Verify() {
        TCommandLine line;
        int done = 0;
        if (!Parse({{'C', "directory", true}}, VerifyHelp, line, done))
            return done;
        if (line.Operands.size() != 1)
            return UsageError(line.Operands.empty() ? "no LIST to verify" : "one LIST at a time");

        // The list is read from its own directory; its entries are looked up
        // there too unless -C says otherwise.
        const std::string& list = line.Operands[0];
        const size_t part = list.find_last_of(std::string("/") + Platform::PathSeparator);
        const std::string listDirectory =
            part == std::string::npos ? "." : list.substr(0, part + 1);
        TCliChecker checker = MakeChecker(listDirectory, line);
        std::string reason;
        if (!checker.LoadList(list.substr(part == std::string::npos ? 0 : part + 1), &reason)) {
            checker.Message() << list << ": not a usable hash list: " << reason << '\n';
            return HashkeepFailed;
        }
        if (line.Has("directory"))
            checker.BaseDir = Platform::WithTrailingSeparator(line.Value("directory"));

        int32_t mismatched = 0, missing = 0, skipped = 0;
        for (int32_t index = 0; index < checker.Count(); ++index) {
            const std::string& name = checker.Items[static_cast<size_t>(index)].FileName;
            switch (checker.VerifyItem(index)) {
            case crOk:
                break;
            case crMismatch:
                ++mismatched;
                Out_ << name << ": FAILED\n";
                break;
            case crMissing:
                ++missing;
                Out_ << name << ": MISSING\n";
                break;
            case crSkipped:
                ++skipped;
                Out_ << name << ": SKIPPED\n";
                break;
            case crAborted:
                checker.Message() << "verify: stopped at " << name << '\n';
                return HashkeepFailed;
            case crFailed:
                checker.Message() << checker.ExpandName(name) << ": " << Unhashable << '\n';
                return HashkeepFailed;
            }
        }
        return Summary(list + ": " + Counted(checker.Items.size(), "file"), "all OK",
                       {{mismatched, "FAILED"}, {missing, "missing"}, {skipped, "skipped"}});
    }

    int Compare() {
        TCommandLine line;
        int done = 0;
        uint32_t algorithm = haNone;
        if (!Parse({{'a', "algorithm", true}}, CompareHelp, line, done) ||
            !ParseAlgorithmOption(line, algorithm, done))
            return done;
        if (line.Operands.size() < 2)
            return UsageError("DIR_A and DIR_B are needed");
        const std::string first = Platform::WithTrailingSeparator(line.Operands[0]);
        const std::string second = Platform::WithTrailingSeparator(line.Operands[1]);

        std::vector<std::string> names(line.Operands.begin() + 2, line.Operands.end());
        if (names.empty()) {
            std::vector<Platform::DirectoryEntry> entries;
            if (!Platform::ListDirectory(first, entries)) {
                Err_ << ToolName << ": " << line.Operands[0]
                     << ": cannot be listed: " << Platform::LastErrorText() << '\n';
                return HashkeepFailed;
            }
            for (const Platform::DirectoryEntry& entry : entries)
                if (!entry.IsDirectory)
                    names.push_back(entry.Name);
            std::sort(names.begin(), names.end());
        }

        // Relative directories are taken from the current one.
        TCliChecker checker = MakeChecker(".", line);
        checker.Algorithm = algorithm;
        int32_t different = 0, missing = 0, skipped = 0;
        for (const std::string& name : names) {
            switch (checker.CompareFiles(first + name, second + name)) {
            case crOk:
                break;
            case crMismatch:
                ++different;
                Out_ << name << ": DIFFERENT\n";
                break;
            case crMissing:
                ++missing;
                Out_ << name << ": MISSING in "
                     << (Platform::FileExists(checker.ExpandName(first + name)) ? line.Operands[1]
                                                                                : line.Operands[0])
                     << '\n';
                break;
            case crSkipped:
                ++skipped;
                Out_ << name << ": SKIPPED\n";
                break;
            case crAborted:
                checker.Message() << "compare: stopped at " << name << '\n';
                return HashkeepFailed;
            case crFailed:
                checker.Message() << name << ": " << Unhashable << '\n';
                return HashkeepFailed;
            }
        }
        return Summary(Counted(names.size(), "file") + " compared", "all the same",
                       {{different, "different"}, {missing, "missing"}, {skipped, "skipped"}});
    }

    int Summary(const std::string& what, const char* allWell,
                const std::vector<std::pair<int32_t, const char*>>& counts) {
        bool problems = false;
        for (const auto& [count, label] : counts)
            problems = problems || count != 0;
        Out_ << what << ": ";
        if (!problems) {
            Out_ << allWell << '\n';
            return HashkeepAllWell;
        }
        const char* separator = "";
        for (const auto& [count, label] : counts) {
            Out_ << separator << count << ' ' << label;
            separator = ", ";
        }
        Out_ << '\n';
        return HashkeepProblemsFound;
    }

    int Demo() {
        TCommandLine line;
        int done = 0;
        if (!Parse({}, DemoHelp, line, done))
            return done;
        if (line.Operands.size() > 1)
            return UsageError("one DIR at most");

        std::string directory = line.Operands.empty() ? "hashkeep-demo" : line.Operands[0];
        std::error_code error;
        for (int attempt = 2; line.Operands.empty() && std::filesystem::exists(directory, error);
             ++attempt)
            directory = "hashkeep-demo-" + std::to_string(attempt);
        if (std::filesystem::exists(directory, error) ||
            !std::filesystem::create_directory(directory, error)) {
            Err_ << ToolName << ": " << directory << ": cannot be made a fresh directory: "
                 << (error ? error.message() : std::string("it exists already")) << '\n';
            return HashkeepFailed;
        }
        const std::string dir = Platform::WithTrailingSeparator(directory);
        std::string samples = "The quick brown fox jumps over the lazy dog\n";
        std::string binary;
        for (int i = 0; i < 3 * 65536; ++i)
            binary += static_cast<char>((i * 7) & 0xFF);
        if (!WriteSample(dir + "fox.txt", samples) ||
            !WriteSample(dir + "notes.txt", "Remember the milk.\nCall home.\n") ||
            !WriteSample(dir + "pattern.bin", binary))
            return HashkeepFailed;
        Out_ << "Made three sample files in " << dir << ": fox.txt, notes.txt, pattern.bin\n\n";

        const std::string list = dir + "hashlist.md5";
        const bool asExpected =
            Step({"create", "-C", directory, "fox.txt", "notes.txt", "pattern.bin"},
                 HashkeepAllWell) &&
            Step({"verify", list}, HashkeepAllWell);
        if (!asExpected)
            return HashkeepFailed;
        Out_ << "\n# notes.txt is changed behind the list's back\n";
        if (!WriteSample(dir + "notes.txt", "Remember the milk.\nCall home!\n"))
            return HashkeepFailed;
        if (!Step({"verify", list}, HashkeepProblemsFound))
            return HashkeepFailed;
        Out_ << "\nThe list is " << list << "; the demo leaves " << dir
             << " behind for a look. Remove it when done.\n";
        return HashkeepAllWell;
    }

    // Shows and runs one command of the demo; true when it ended as Expected.
    bool Step(const std::vector<std::string>& args, int expected) {
        Out_ << "$ hashkeep";
        for (const std::string& arg : args)
            Out_ << ' ' << arg;
        Out_ << '\n';
        const int status = TRun(args, Out_, Err_, ErrIsTerminal_).Main();
        Out_ << "(exit status " << status << ")\n";
        return status == expected;
    }

    bool WriteSample(const std::string& path, const std::string& content) {
        const Platform::FileHandle file = Platform::CreateFileForWriting(path);
        uint32_t written = 0;
        const bool ok = file != Platform::InvalidFileHandle &&
                        Platform::WriteToFile(file, content.data(),
                                              static_cast<uint32_t>(content.size()), written) &&
                        written == content.size();
        if (!ok)
            Err_ << ToolName << ": " << path << ": cannot be written: " << Platform::LastErrorText()
                 << '\n';
        Platform::CloseFile(file);
        return ok;
    }

    const std::vector<std::string>& Args_;
    std::ostream& Out_;
    std::ostream& Err_;
    const bool ErrIsTerminal_;
};

} // namespace

int RunHashkeep(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err,
                bool ErrIsTerminal) {
    try {
        return TRun(Args, Out, Err, ErrIsTerminal).Main();
    } catch (const std::exception& failure) {
        Err << ToolName << ": " << failure.what() << '\n';
    } catch (...) {
        Err << ToolName << ": unexpected failure\n";
    }
    return HashkeepFailed;
}
