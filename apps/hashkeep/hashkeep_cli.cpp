// The commands of hashkeep. Every file is hashed, every list read and written
// by TFileChecker, exactly as the plug-in does it; this file adds only the
// command line, the messages and the progress display.
#include "hashkeep_cli.h"

#include "checker/checker.h"
#include "cli_internal.h"
#include "platform/files.h"

#include <algorithm>
#include <cstdio>
#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <string_view>

using namespace HashkeepCli;

namespace {

// --- Help ----------------------------------------------------------------------

constexpr const char* ToolHelp =
    "Usage: hashkeep COMMAND [OPTION]... [ARGUMENT]...\n"
    "Create and verify CRC32 (.sfv), MD5 (.md5), SHA1 (.sha1) and SHA-256 (.sha256)\n"
    "hash lists, and the MD5SUMS, SHA1SUMS and SHA256SUMS that releases ship.\n"
    "\n"
    "Commands:\n"
    "  create   hash files and write a hash list\n"
    "  verify   check files against hash lists\n"
    "  compare  compare the files of two directories digest against digest\n"
    "  demo     show create and verify at work in a fresh directory\n"
    "\n"
    "Options of create, verify and compare:\n"
    "  -j, --jobs N            hash N files at once (default: one per processor);\n"
    "                          the output is the same for every N\n"
    "  -q, --quiet             draw no progress line\n"
    "  -v, --verbose           the headings, counts and speed on standard error\n"
    "                          even when it is no terminal\n"
    "      --quiet-ok          print no line for a file that is fine\n"
    "      --status            print nothing on standard output; the exit status\n"
    "                          tells the result\n"
    "      --on-error ACTION   on a file that cannot be read: skip (default) or abort\n"
    "  -h, --help              show the help of the command\n"
    "\n"
    "Without a command:\n"
    "  -h, --help              show this help\n"
    "      --version           print the version of hashkeep\n"
    "\n"
    "Standard output carries one line per file and nothing else. Standard error\n"
    "carries the messages and, on a terminal or with -v, the counts and the speed;\n"
    "on a terminal a live line there shows the file being hashed, the files and\n"
    "bytes done, the speed and the time left.\n"
    "'hashkeep COMMAND --help' tells more. Exit status: 0 all is well, 1 a file\n"
    "mismatched, was missing or was skipped, 2 usage error, unreadable or invalid\n"
    "list, or a failed or aborted run.\n";

#define HK_COMMON_OPTIONS_HELP                                                                     \
    "  -j, --jobs N           hash N files at once (default: one per processor)\n"                 \
    "  -q, --quiet            draw no progress line\n"                                             \
    "  -v, --verbose          the counts and speed on standard error off a terminal too\n"         \
    "      --quiet-ok         print no line for a file that is fine\n"                             \
    "      --status           print nothing on standard output, only the exit status\n"            \
    "      --on-error ACTION  skip (default) or abort on a file that cannot be read\n"

constexpr const char* CreateHelp =
    "Usage: hashkeep create [OPTION]... FILE...\n"
    "Hash the FILEs of a directory and write one hash list for them.\n"
    "\n"
    "  -a, --algorithm ALGO   crc32, md5 (default), sha1 or sha256\n"
    "  -C, --directory DIR    the FILEs are in DIR (default: the current directory)\n"
    "  -r, --recursive        a FILE that is a folder gives every file below it\n"
    "                         (folders reached through a link are not entered)\n"
    "  -o, --output LIST      the list's name, taken in DIR unless absolute; default:\n"
    "                         the FILE's name when there is one FILE, else 'hashlist',\n"
    "                         followed by .sfv, .md5, .sha1 or .sha256; LIST must be\n"
    "                         named so, or MD5SUMS, SHA1SUMS, SHA256SUMS\n"
    "      --separate         one list per file beside it (FILE.md5 ...) instead\n"
    "      --force            replace per-file lists that exist already, and a list\n"
    "                         with one lacking some of its entries when files were\n"
    "                         skipped\n"
    "      --text             mark MD5, SHA1 and SHA-256 lines as read in text mode\n"
    "                         (' ') instead of binary mode ('*'); the digest is the\n"
    "                         same\n"
    "      --crlf             CR LF line ends and an empty first line, as the FAR\n"
    "                         plug-in writes lists (on Windows always; elsewhere\n"
    "                         lines end in LF alone)\n" HK_COMMON_OPTIONS_HELP "\n"
    "A FILE is a path in DIR, below it; the list names it so, with '/' between the\n"
    "folders. A FILE that does not exist is a usage error: nothing is written. The\n"
    "list itself is never hashed into itself, nor, with --separate, one file's list\n"
    "into another. A file that is not a hash list of ALGO is never replaced.\n";

constexpr const char* VerifyHelp =
    "Usage: hashkeep verify [OPTION]... LIST...\n"
    "       hashkeep verify --digest DIGEST FILE\n"
    "Hash every file named in each LIST again and report how each one fares.\n"
    "The algorithm comes from LIST's extension, .sfv, .md5, .sha1 or .sha256 (or\n"
    ".md5sum, .sha1sum, .sha256sum), or from its name, MD5SUMS, SHA1SUMS,\n"
    "SHA256SUMS or SHASUMS256, with .txt or without, in any case. A LIST named\n"
    "otherwise (CHECKSUMS) is read as the algorithm its digests' length tells:\n"
    "8 CRC32, 32 MD5, 40 SHA1, 64 SHA-256, when every entry agrees. Entries may\n"
    "name files in subfolders ('/' or '\\' between the parts). LIST '-' is read\n"
    "from standard input, its algorithm told by its lines.\n"
    "\n"
    "  -a, --algorithm ALGO   read each LIST as a list of ALGO (crc32, md5, sha1,\n"
    "                         sha256), whatever its name\n"
    "  -C, --directory DIR    look for the files in DIR (default: each LIST's own\n"
    "                         directory; for '-' the current one)\n"
    "      --digest DIGEST    check the one FILE against DIGEST, as a web page\n"
    "                         publishes it: 8, 32, 40 or 64 hexadecimal digits,\n"
    "                         optionally after crc32:, md5:, sha1: or sha256:;\n"
    "                         exit status 0 when it matches, 1 when not\n"
    "      --ignore-missing   no line for a missing file, and it fails nothing; a\n"
    "                         LIST that verified no file gives 1\n" HK_COMMON_OPTIONS_HELP "\n"
    "Prints on standard output one line per entry, as md5sum -c does, and nothing\n"
    "else: 'NAME: OK', 'NAME: FAILED' (the digest differs), 'NAME: MISSING',\n"
    "'NAME: SKIPPED' (why: on standard error). On a terminal or with -v, standard\n"
    "error shows each LIST's name and counts, and how much was hashed how fast.\n"
    "The exit status is the worst of the LISTs.\n";

constexpr const char* CompareHelp =
    "Usage: hashkeep compare [OPTION]... DIR_A DIR_B [FILE]...\n"
    "Compare the FILEs of DIR_A (default: all its files) with the files of the same\n"
    "names in DIR_B, digest against digest.\n"
    "\n"
    "  -a, --algorithm ALGO   crc32, md5 (default), sha1 or sha256\n"
    "  -r, --recursive        the files below the folders too, paired by their\n"
    "                         paths (folders reached through a link are not\n"
    "                         entered)\n" HK_COMMON_OPTIONS_HELP "\n"
    "A FILE is a path below both directories, without '..'. Without FILEs, the\n"
    "files found only in DIR_B count as missing in DIR_A.\n"
    "Prints 'NAME: OK', 'NAME: DIFFERENT', 'NAME: MISSING in DIR' or\n"
    "'NAME: SKIPPED' (why: on standard error) for each file; the counts on\n"
    "standard error on a terminal or with -v.\n";

#undef HK_COMMON_OPTIONS_HELP

constexpr const char* DemoHelp =
    "Usage: hashkeep demo [DIR]\n"
    "Make a few sample files in the fresh directory DIR (default: a new\n"
    "hashkeep-demo directory here) and a copy of them, create a list of them,\n"
    "verify it, change one file, verify again and compare the files with the\n"
    "copy, showing each command as it runs. DIR is left behind for a look;\n"
    "remove it when done.\n";

// --- Command line ----------------------------------------------------------------

struct TOption {
    char Short;       // 0: none
    const char* Long; // without the dashes
    bool TakesValue;
};

constexpr TOption CommonOptions[] = {
    {'q', "quiet", false}, {0, "quiet-ok", false}, {0, "status", false},    {'j', "jobs", true},
    {0, "on-error", true}, {'h', "help", false},   {'v', "verbose", false},
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

// "crc32, md5, sha1, sha256": the names -a takes, from the algorithm table.
std::string AlgorithmNames() {
    std::string names;
    for (const TAlgoDefinition& row : AlgoDefinitions) {
        names += names.empty() ? "" : ", ";
        for (const char* c = row.Name; *c != 0; ++c)
            names += *c >= 'A' && *c <= 'Z' ? static_cast<char>(*c - 'A' + 'a') : *c;
    }
    return names;
}

// A list entry may be a path as long as the system opens; the plug-in keeps
// the panels' 259 characters.
constexpr int32_t CliMaxNameLength = Platform::MaxPathLength;

// The folder part of a name the user gave for a folder: without separators
// at its end, and empty for the directory itself (".").
std::string FolderOperand(std::string name) {
    while (!name.empty() && (name.back() == '/' || name.back() == '\\'))
        name.pop_back();
    return name == "." ? std::string() : name;
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

// More workers than this gain nothing on any disk and only cost threads.
constexpr unsigned MostWorkers = 256;

// A speed taken over less time or fewer bytes than these says more about
// the clock and the cache than about the disk.
constexpr auto ShortestTimedRun = std::chrono::milliseconds(10);
constexpr uint64_t FewestTimedBytes = 1000000;

// Bytes and time of the hashing, the one line that differs from run to run
// (so it comes last, apart from everything else).
std::string ThroughputLine(const TThroughput& throughput) {
    const double seconds = std::chrono::duration<double>(throughput.Time).count();
    char figures[64];
    std::snprintf(figures, sizeof figures, seconds < 10 ? " in %.3f s" : " in %.1f s", seconds);
    if (throughput.Time >= ShortestTimedRun && throughput.Bytes >= FewestTimedBytes) {
        const size_t used = std::char_traits<char>::length(figures);
        std::snprintf(figures + used, sizeof figures - used, ", %.1f MB/s",
                      static_cast<double>(throughput.Bytes) / seconds / 1e6);
    }
    return "hashed " + Counted(static_cast<size_t>(throughput.Files), "file") + " (" +
           ShownBytes(throughput.Bytes) + ")" + figures;
}

class TRun {
public:
    TRun(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
         std::ostream& err, bool errIsTerminal)
        : Args_(args), In_(in), Out_(out), Err_(err), ErrIsTerminal_(errIsTerminal) {}

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
        Err_ << ToolName << ": unknown command '" << Escaped(command) << "'\n"
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
        Workers_ = DefaultWorkers();
        if (line.Has("jobs")) {
            const std::string jobs = line.Value("jobs");
            unsigned long number = 0;
            const bool digits =
                !jobs.empty() && jobs.size() <= 4 &&
                std::all_of(jobs.begin(), jobs.end(), [](char c) { return c >= '0' && c <= '9'; });
            if (digits)
                number = std::stoul(jobs);
            if (number < 1 || number > MostWorkers) {
                done = UsageError("--jobs takes a number from 1 to " + std::to_string(MostWorkers) +
                                  ", not '" + jobs + "'");
                return false;
            }
            Workers_ = static_cast<unsigned>(number);
        }
        Console_.emplace(Out_, Err_,
                         TConsole::TSettings{ErrIsTerminal_ && !line.Has("quiet"),
                                             line.Has("quiet-ok"), line.Has("status"),
                                             ErrIsTerminal_ || line.Has("verbose")});
        AbortOnError_ = onError == "abort";
        return true;
    }

    int UsageError(const std::string& error) {
        Err_ << ToolName << ' ' << Args_[0] << ": " << Escaped(error) << '\n'
             << "Try 'hashkeep " << Args_[0] << " --help'.\n";
        return HashkeepFailed;
    }

    // A message on Err that ends the command.
    int Fail(const std::string& text) {
        Err_ << ToolName << ": " << Escaped(text) << '\n';
        return HashkeepFailed;
    }

    bool ParseAlgorithmOption(const TCommandLine& line, uint32_t& algorithm, int& done) {
        algorithm = haMd5;
        if (line.Has("algorithm") && !ParseAlgorithm(line.Value("algorithm"), algorithm)) {
            done = UsageError("unknown algorithm '" + line.Value("algorithm") + "' (" +
                              AlgorithmNames() + ")");
            return false;
        }
        return true;
    }

    // A pool whose workers hash as Checker is set up to.
    THashPool MakePool(const TFileChecker& checker) {
        return THashPool(*Console_, {Workers_, AbortOnError_, checker.BaseDir, checker.Algorithm,
                                     checker.ModeMark});
    }

    int Create() {
        TCommandLine line;
        int done = 0;
        uint32_t algorithm = haNone;
        if (!Parse({{'a', "algorithm", true},
                    {'C', "directory", true},
                    {'o', "output", true},
                    {'r', "recursive", false},
                    {0, "separate", false},
                    {0, "force", false},
                    {0, "text", false},
                    {0, "crlf", false}},
                   CreateHelp, line, done) ||
            !ParseAlgorithmOption(line, algorithm, done))
            return done;
        if (line.Operands.empty())
            return UsageError("no FILE to hash");
        const bool separate = line.Has("separate");
        if (separate && line.Has("output"))
            return UsageError("--output names one list; --separate writes one per file");
        TAlgoDefinition row;
        FindAlgoById(algorithm, row);
        TFileChecker checker(line.Value("directory", "."));
        checker.Algorithm = algorithm;
        checker.ModeMark = line.Has("text") ? TextModeMarkValue : BinaryModeMarkValue;
        checker.MaxNameLength = CliMaxNameLength;
        checker.SetListForm(Platform::CrLfLineEnds || line.Has("crlf") ? TListForm::Classic
                                                                       : TListForm::Sums);
        // With -r a folder stands for the files below it.
        const bool recursive = line.Has("recursive");
        auto folderPath = [&](const std::string& name) {
            const std::string folder = FolderOperand(name);
            return folder.empty() ? checker.BaseDir : checker.EntryPath(folder);
        };
        auto isFolder = [&](const std::string& name) {
            return recursive &&
                   Platform::GetPathKind(folderPath(name)) == Platform::TPathKind::Folder;
        };
        for (const std::string& name : line.Operands)
            if (!isFolder(name) && !CanStandInList(algorithm, name))
                return UsageError(CannotStandInList(name));
        // A list named otherwise would not be read back as a list of this
        // algorithm, or not at all.
        std::string single = line.Operands.size() == 1 ? FolderOperand(line.Operands[0]) : "";
        single = single.substr(single.find_last_of("/\\") + 1);
        const std::string listName =
            line.Value("output", (single.empty() ? "hashlist" : single) + row.Extension);
        if (!separate && !IsListNameOf(algorithm, listName))
            return UsageError("'" + listName + "' is no list name for " + row.Name +
                              ": hashkeep could not read it back (name it *" + row.Extension +
                              (row.SumsName != nullptr ? std::string(" or ") + row.SumsName : "") +
                              ")");
        // A typo must not make a list that lacks the file meant.
        for (const std::string& name : line.Operands) {
            const std::string path = checker.EntryPath(name);
            if (!Platform::FileExists(path) &&
                Platform::GetPathKind(path) == Platform::TPathKind::Nothing)
                return UsageError(path + ": no such file; nothing written");
        }

        std::vector<std::string> names;
        for (const std::string& name : line.Operands) {
            if (!isFolder(name)) {
                names.push_back(name);
                continue;
            }
            const size_t before = names.size();
            std::string reason;
            if (!checker.CollectFiles(FolderOperand(name), names, &reason))
                return Fail("create: " + reason + "; no list written");
            if (names.size() == before)
                Console_->Tell(folderPath(name) +
                               (Platform::IsSymbolicLink(folderPath(name))
                                    ? ": a folder reached through a link is not entered"
                                    : ": no file below it"));
            // A name the code page cannot hold is hashed to say so (SKIPPED).
            for (size_t i = before; i < names.size(); ++i)
                if (!CanStandInList(algorithm, names[i]) && !Platform::NameIsLost(names[i]))
                    return Fail("create: " + CannotStandInList(names[i]) + "; no list written");
        }
        if (names.empty())
            return Fail("create: no file to hash; no list written");
        checker.LeaveOutOwnLists(names, listName, separate);
        if (names.empty())
            return Fail("create: no FILE is left to hash but the list itself; no list written");
        const bool force = line.Has("force");
        if (const int refused = RefuseToReplace(checker, names, listName, separate, row, force);
            refused != HashkeepAllWell)
            return refused;

        size_t skipped = 0;
        TThroughput throughput;
        THashJobs jobs;
        jobs.Count = names.size();
        jobs.Bytes = BytesOf(names, checker);
        jobs.Source = [&](size_t job, THashJob& result) {
            result.Item.FileName = names[job];
            return true;
        };
        // The file's entry, and true when its digest is yet to be computed.
        auto added = [](TFileChecker& worker, const std::string& name, TCheckResult outcome,
                        THashJob& result) {
            result.Result = outcome;
            if (outcome == crOk)
                result.Item = std::move(worker.Items.back());
            worker.ClearItems();
            result.Cause = CauseOf(worker, name);
            return outcome == crOk && result.Item.Hash.empty();
        };
        jobs.Work = [&](TFileChecker& worker, THashJob& result) {
            const std::string name = result.Item.FileName;
            added(worker, name, worker.AddFile(name), result);
        };
        jobs.Read = [&](TFileChecker& worker, uint64_t limit, TFileBytes& bytes, THashJob& result) {
            const std::string name = result.Item.FileName;
            return added(worker, name, worker.ReadFile(name, limit, bytes), result);
        };
        jobs.Finish = [](const std::string& digest, THashJob& result) {
            result.Item.Hash = digest;
        };
        jobs.Report = [&](size_t, THashJob& result) {
            const std::string path = checker.EntryPath(result.Item.FileName);
            switch (result.Result) {
            case crOk:
                checker.Items.push_back(std::move(result.Item));
                return true;
            case crSkipped:
                ++skipped;
                return true;
            case crAborted:
                Console_->Tell("create: stopped; no list written");
                return false;
            default:
                if (!Platform::FileExists(path)) {
                    Console_->Tell(path + (Platform::IsFolder(path)
                                               ? ": is a folder, not a file (-r takes the "
                                                 "files below it)"
                                               : ": no such file"));
                    ++skipped;
                    return true;
                }
                Console_->Tell(path + ": cannot be hashed: " + result.Cause + "; no list written");
                return false;
            }
        };
        if (!MakePool(checker).Run(jobs, throughput))
            return HashkeepFailed;
        const int status = skipped == 0 ? HashkeepAllWell : HashkeepProblemsFound;
        if (checker.Count() == 0) {
            Console_->Tell("create: no file could be hashed; no list written");
            return status;
        }
        if (skipped != 0 && !separate && !force &&
            !KeepsEveryEntry(checker, checker.ExpandName(listName), skipped))
            return HashkeepFailed;

        std::string reason;
        if (!checker.SaveList(listName, separate, &reason)) {
            Console_->Tell("create: " + reason);
            return HashkeepFailed;
        }
        if (separate)
            Console_->Summary("wrote " +
                              Counted(checker.Items.size(), std::string(row.Name) + " list") +
                              ", one beside each file in " + Escaped(checker.BaseDir));
        else
            Console_->Summary("wrote " + Escaped(checker.ExpandName(listName)) + ": " +
                              Counted(checker.Items.size(), std::string(row.Name) + " digest"));
        Console_->Summary(ThroughputLine(throughput));
        return status;
    }

    // The bytes of the Names below Checker's directory, for the live line's
    // time left; 0 when no live line is drawn.
    uint64_t BytesOf(const std::vector<std::string>& names, const TFileChecker& checker) const {
        uint64_t bytes = 0, size = 0;
        if (Console_->DrawsProgress())
            for (const std::string& name : names)
                bytes += Platform::GetFileSizeByName(checker.EntryPath(name), size) ? size : 0;
        return bytes;
    }

    // A run that skipped files never replaces a list with one that lacks
    // some of its entries (a typo, a file locked for a moment, would cost
    // the list those files); true when the list at Path holds no entry
    // that Checker's new list lacks, else false after saying so.
    bool KeepsEveryEntry(const TFileChecker& checker, const std::string& path, size_t skipped) {
        TAlgoDefinition row;
        if (!Exists(path) || !FindAlgoByListName(path, row))
            return true;
        std::set<std::string> kept;
        for (const TFileCheckerItem& item : checker.Items)
            kept.insert(EntryKey(item.FileName));
        TListStream old;
        std::string reason;
        uint64_t lost = 0;
        std::string first;
        if (old.OpenFile(path, haNone, {CliMaxNameLength, 0, {}}, reason))
            for (TFileCheckerItem entry; old.Next(entry, reason);)
                if (kept.count(EntryKey(Platform::ShownName(entry.FileName))) == 0 && lost++ == 0)
                    first = Platform::ShownName(entry.FileName);
        if (!reason.empty()) {
            Console_->Tell(path + ": not replaced: it cannot be read to see what it holds (" +
                           reason + ")");
            return false;
        }
        if (lost == 0)
            return true;
        Console_->Tell("create: " + Counted(skipped, "file") + " skipped; " + path +
                       " not replaced: the new list would lack " + std::to_string(lost) +
                       (lost == 1 ? " entry" : " entries") + " of it, the first " + first +
                       "; --force replaces it");
        return false;
    }

    // An entry's path as a key: the same file however a list writes it
    // ("./a/b", "a\\b", "a/b").
    static std::string EntryKey(const std::string& name) {
        std::string key;
        size_t start = 0;
        while (start <= name.size()) {
            const size_t end = std::min(name.find_first_of("/\\", start), name.size());
            const std::string part = name.substr(start, end - start);
            if (!part.empty() && part != ".")
                key += (key.empty() ? "" : "/") + part;
            start = end + 1;
        }
        return key;
    }

    // Before anything is hashed: a file in a list's place is replaced only
    // when it is a hash list of the algorithm (never a published checksum of
    // another kind, never anything else), and per-file lists only with
    // --force. HashkeepAllWell when the lists may be written.
    int RefuseToReplace(const TFileChecker& checker, const std::vector<std::string>& names,
                        const std::string& listName, bool separate, const TAlgoDefinition& row,
                        bool force) {
        std::vector<std::string> targets;
        if (separate) {
            for (const std::string& name : names)
                targets.push_back(checker.EntryPath(name) + row.Extension);
        } else {
            targets.push_back(checker.ExpandName(listName));
        }
        std::vector<std::string> existing;
        for (const std::string& target : targets)
            if (Exists(target) || Platform::IsSymbolicLink(target))
                existing.push_back(target);
        if (existing.empty())
            return HashkeepAllWell;
        if (separate && !force)
            return Fail("create: " + Counted(existing.size(), "per-file list") +
                        " would be replaced, the first " + existing.front() +
                        "; --force replaces them");
        for (const std::string& target : existing) {
            // Read whole, as verify reads it: however long, it is a list.
            TAlgoDefinition found;
            TListStream probe;
            std::string why = WhyNoListName(target);
            if (!why.empty() || !FindAlgoByListName(target, found) ||
                !probe.OpenFile(target, haNone, {CliMaxNameLength, 0, {}}, why))
                return Fail(target + ": not replaced: it is not a hash list (" + why + ")");
            if (probe.Row().Id != row.Id)
                return Fail(target + ": not replaced: it is no " + row.Name + " list");
        }
        return HashkeepAllWell;
    }

    // A name that a list can hold and give back unchanged.
    static bool CanStandInList(uint32_t algorithm, const std::string& name) {
        return ListCanHoldName(algorithm, name, CliMaxNameLength) &&
               std::none_of(name.begin(), name.end(),
                            [](char c) { return static_cast<unsigned char>(c) < ' '; });
    }

    static std::string CannotStandInList(const std::string& name) {
        return "'" + name +
               "' cannot stand in a list: a list holds paths below DIR (use -C DIR), without "
               "'..', wildcards, control characters or blanks at either end, and no SFV name "
               "begins with ';'";
    }

    int Verify() {
        TCommandLine line;
        int done = 0;
        uint32_t algorithm = haNone;
        if (!Parse({{'C', "directory", true},
                    {0, "ignore-missing", false},
                    {'a', "algorithm", true},
                    {0, "digest", true}},
                   VerifyHelp, line, done) ||
            (line.Has("algorithm") && !ParseAlgorithmOption(line, algorithm, done)))
            return done;
        if (line.Has("digest"))
            return VerifyDigest(line, algorithm);
        if (line.Operands.empty())
            return UsageError("no LIST to verify");
        if (line.Has("directory")) {
            // Else every file would be "missing", and the lists look wrong.
            const std::string directory = line.Value("directory");
            std::string why;
            if (!IsDirectory(directory, why))
                return Fail(directory + ": no directory to look for the files in: " + why);
        }
        int worst = HashkeepAllWell;
        TThroughput throughput;
        bool anyVerified = false;
        const bool several = line.Operands.size() > 1;
        for (const std::string& list : line.Operands) {
            bool verified = false, stopped = false;
            worst = std::max(worst, VerifyList(list, line, several, throughput, verified, stopped));
            if (stopped)
                return HashkeepFailed;
            anyVerified = anyVerified || verified;
        }
        if (anyVerified)
            Console_->Summary(ThroughputLine(throughput));
        return worst;
    }

    // What verify reads of one list: the list checked whole (Stream.Count
    // tells its entries), where its entries lie, and what they weigh.
    struct TOpenList {
        TListStream Stream;
        std::string Text; // standard input's, held since it is read twice
        std::string BaseDir;
        uint32_t Algorithm = haNone;
        uint64_t Bytes = 0; // of the files it names, for the live line only
    };

    // Opens List ('-': standard input), its entries below DIR of -C or
    // else its own directory (standard input's: the current one); false
    // after saying why it cannot be used.
    bool OpenList(const std::string& list, const TCommandLine& line, TOpenList& open) {
        const size_t part = list.find_last_of(std::string("/") + Platform::PathSeparator);
        open.BaseDir = line.Has("directory")       ? line.Value("directory")
                       : list == "-"               ? "."
                       : part == std::string::npos ? "."
                                                   : list.substr(0, part + 1);
        const TFileChecker sizer(open.BaseDir);
        TListStream::TRules rules{CliMaxNameLength, 0, {}};
        if (Console_->DrawsProgress())
            rules.Weigh = [&](const TFileCheckerItem& entry) {
                uint64_t size = 0;
                return Platform::GetFileSizeByName(sizer.EntryPath(entry.FileName), size) ? size
                                                                                          : 0;
            };
        std::string reason;
        // The algorithm -a names, else the one the list's name states; a list
        // named for none is read as its lines tell.
        uint32_t asked = haNone;
        if (line.Has("algorithm"))
            ParseAlgorithm(line.Value("algorithm"), asked);
        const bool opened = list == "-" ? ReadStandardInput(open.Text, reason) &&
                                              open.Stream.OpenText(open.Text, asked, rules, reason)
                                        : open.Stream.OpenFile(list, asked, rules, reason);
        if (!opened)
            Console_->Tell(list + ": not a usable hash list: " + reason);
        open.Algorithm = static_cast<uint32_t>(open.Stream.Row().Id);
        open.Bytes = open.Stream.Weight();
        return opened;
    }

    // A list of standard input, whole, up to a bound: it is held in memory.
    bool ReadStandardInput(std::string& text, std::string& reason) {
        constexpr size_t StandardInputListLimit = size_t{1} << 30;
        char piece[65536];
        while (In_.read(piece, sizeof piece) || In_.gcount() > 0) {
            if (text.size() + static_cast<size_t>(In_.gcount()) > StandardInputListLimit) {
                reason = "standard input holds more than 1 GiB";
                return false;
            }
            text.append(piece, static_cast<size_t>(In_.gcount()));
        }
        if (In_.bad()) {
            reason = "standard input cannot be read";
            return false;
        }
        return true;
    }

    // Verifies one list: Verified when it could be read, Stopped when the
    // run must end here.
    int VerifyList(const std::string& list, const TCommandLine& line, bool several,
                   TThroughput& throughput, bool& verified, bool& stopped) {
        TOpenList open;
        if (!OpenList(list, line, open))
            return HashkeepFailed;
        verified = true;
        TFileChecker checker(open.BaseDir);
        checker.Algorithm = open.Algorithm;
        checker.MaxNameLength = CliMaxNameLength;
        if (several)
            Console_->Summary("--( Verifying " + Escaped(list) + " )--");

        TTally tally;
        tally.IgnoreMissing = line.Has("ignore-missing");
        std::string broken; // why the list stopped giving entries
        THashJobs jobs;
        jobs.Count = static_cast<size_t>(open.Stream.Count());
        jobs.Bytes = open.Bytes;
        // Entries are read as the workers take them, and each lives in its
        // job until its line is out.
        jobs.Source = [&](size_t, THashJob& job) {
            if (broken.empty() && open.Stream.Next(job.Item, broken))
                return true;
            if (broken.empty())
                broken = "it changed since it was checked";
            job.Cause = list + ": not a usable hash list: " + broken;
            return false;
        };
        // The entry's file as the worker left it, and true when its digest
        // is yet to be computed.
        auto hashed = [](TFileChecker& worker, TCheckResult result, const std::string& digest,
                         THashJob& job) {
            // Reported as the user is shown it (Platform::ShownName), as its
            // causes name it.
            job.Item.FileName = Platform::ShownName(job.Item.FileName);
            job.Result = result;
            job.Cause = result == crFailed
                            ? worker.EntryPath(job.Item.FileName) +
                                  ": cannot be hashed: " + CauseOf(worker, job.Item.FileName)
                            : CauseOf(worker, job.Item.FileName);
            if (result == crOk && digest.empty())
                return true;
            if (result == crOk && !SameDigest(digest, job.Item.Hash))
                job.Result = crMismatch;
            return false;
        };
        // The entry is reported under the name its file was looked for under:
        // the listed one, or the one without stray blanks at its ends. A name
        // found to be no file's says why (it cannot exist here, it reads as
        // two files) before its result.
        auto find = [](TFileChecker& worker, THashJob& job) {
            const TCheckResult found = worker.FindListedFile(job.Item.FileName);
            if (found == crSkipped || found == crMismatch)
                job.Messages.push_back(worker.LastError);
            return found;
        };
        jobs.Work = [&](TFileChecker& worker, THashJob& job) {
            const TCheckResult found = find(worker, job);
            TFileCheckerItem copy{job.Item.FileName, {}};
            hashed(worker, found == crOk ? worker.HashItem(copy) : found, copy.Hash, job);
        };
        jobs.Read = [&](TFileChecker& worker, uint64_t limit, TFileBytes& bytes, THashJob& job) {
            const TCheckResult found = find(worker, job);
            TFileCheckerItem copy{job.Item.FileName, {}};
            return hashed(worker, found == crOk ? worker.ReadItem(copy, limit, bytes) : found,
                          copy.Hash, job);
        };
        jobs.Finish = [](const std::string& digest, THashJob& job) {
            if (!SameDigest(digest, job.Item.Hash))
                job.Result = crMismatch;
        };
        jobs.Report = [&](size_t, THashJob& job) {
            return ReportResult("verify", job.Item.FileName, job, "FAILED", tally);
        };
        if (!MakePool(checker).Run(jobs, throughput)) {
            // A file that stopped the run ends the run, and so does a list
            // that changed or broke off: results printed for it may be of
            // a list that no one checked.
            stopped = true;
            return HashkeepFailed;
        }
        const size_t ignored = static_cast<size_t>(tally.IgnoredMissing);
        const int status = Summary(
            Escaped(list) + ": " + Counted(jobs.Count - ignored, "file") +
                (ignored == 0 ? "" : " (" + std::to_string(ignored) + " missing ignored)"),
            "all OK",
            {{tally.Differing, "FAILED"}, {tally.Missing, "missing"}, {tally.Skipped, "skipped"}});
        // As md5sum --ignore-missing: a list that verified nothing has
        // proved nothing.
        if (tally.IgnoreMissing && tally.Verified == 0) {
            Console_->Tell(list + ": no file was verified");
            return std::max(status, HashkeepProblemsFound);
        }
        return status;
    }

    // verify --digest DIGEST FILE: one file against a digest a web page
    // publishes.
    int VerifyDigest(const TCommandLine& line, uint32_t algorithm) {
        TAlgoDefinition row;
        std::string digest;
        if (!ParseDigestText(line.Value("digest"), row, digest))
            return UsageError("--digest takes 8, 32, 40 or 64 hexadecimal digits, optionally "
                              "after crc32:, md5:, sha1: or sha256:, not '" +
                              line.Value("digest") + "'");
        if (algorithm != haNone && algorithm != static_cast<uint32_t>(row.Id))
            return UsageError("--digest of " + std::to_string(row.HashLength) +
                              " digits is no digest of " + line.Value("algorithm"));
        if (line.Operands.size() != 1 || line.Has("directory"))
            return UsageError("--digest checks one FILE, named as it is");
        const std::string& file = line.Operands[0];
        const size_t part = file.find_last_of(Platform::PathSeparators);
        TFileChecker checker(part == std::string::npos ? "." : file.substr(0, part + 1));
        checker.Algorithm = static_cast<uint32_t>(row.Id);
        const std::string name = part == std::string::npos ? file : file.substr(part + 1);
        TTally tally;
        TThroughput throughput;
        THashJobs jobs;
        jobs.Count = 1;
        jobs.Source = [&](size_t, THashJob& job) {
            job.Item = {name, digest};
            return true;
        };
        Platform::GetFileSizeByName(checker.ExpandName(name), jobs.Bytes);
        jobs.Work = [&](TFileChecker& worker, THashJob& job) {
            TFileCheckerItem copy{name, {}};
            job.Result = worker.HashItem(copy);
            if (job.Result == crOk && !SameDigest(copy.Hash, digest))
                job.Result = crMismatch;
            job.Cause = job.Result == crFailed
                            ? file + ": cannot be hashed: " + CauseOf(worker, name)
                            : CauseOf(worker, name);
        };
        jobs.Report = [&](size_t, THashJob& job) {
            return ReportResult("verify", file, job, "FAILED", tally);
        };
        if (!MakePool(checker).Run(jobs, throughput))
            return HashkeepFailed;
        return tally.Differing + tally.Missing + tally.Skipped == 0 ? HashkeepAllWell
                                                                    : HashkeepProblemsFound;
    }

    // What a verification or comparison found, counted as its lines go out.
    struct TTally {
        bool IgnoreMissing = false; // --ignore-missing: a missing file is no result
        int32_t Differing = 0, Missing = 0, Skipped = 0;
        int32_t Verified = 0, IgnoredMissing = 0;
    };

    // Prints the line of one file's result, in list order, and counts it in
    // Tally; false, after saying why on standard error, when the run stops
    // at this file. Differing is the command's word for a digest that
    // differs; a comparison names the directory that lacks a file.
    bool ReportResult(const char* command, const std::string& name, const THashJob& result,
                      const char* differing, TTally& tally) {
        switch (result.Result) {
        case crOk:
            ++tally.Verified;
            Console_->Result(name, "OK", false);
            return true;
        case crMismatch:
            ++tally.Verified;
            ++tally.Differing;
            Console_->Result(name, differing, true);
            return true;
        case crMissing:
            if (tally.IgnoreMissing) {
                ++tally.IgnoredMissing;
                return true;
            }
            ++tally.Missing;
            Console_->Result(name,
                             result.MissingIn.empty() ? "MISSING"
                                                      : "MISSING in " + Escaped(result.MissingIn),
                             true);
            // Why, where a name is one this system cannot hold.
            if (!result.Cause.empty() && result.MissingIn.empty())
                Console_->Tell(name + ": " + result.Cause);
            return true;
        case crSkipped:
            // The cause went to standard error as the file was read.
            ++tally.Skipped;
            Console_->Result(name, "SKIPPED", true);
            return true;
        case crAborted:
            Console_->Tell(std::string(command) + ": stopped at " + name);
            return false;
        default:
            Console_->Tell(result.Cause);
            return false;
        }
    }

    int Compare() {
        TCommandLine line;
        int done = 0;
        uint32_t algorithm = haNone;
        if (!Parse({{'a', "algorithm", true}, {'r', "recursive", false}}, CompareHelp, line,
                   done) ||
            !ParseAlgorithmOption(line, algorithm, done))
            return done;
        if (line.Operands.size() < 2)
            return UsageError("DIR_A and DIR_B are needed");
        const std::string first = Platform::WithTrailingSeparator(line.Operands[0]);
        const std::string second = Platform::WithTrailingSeparator(line.Operands[1]);
        const bool recursive = line.Has("recursive");
        for (size_t i = 2; i < line.Operands.size(); ++i)
            if (!IsPathBelow(line.Operands[i]))
                return UsageError("'" + line.Operands[i] +
                                  "' is no path below DIR_A and DIR_B: a FILE is relative to "
                                  "both, without '..'");

        // Both directories are listed: a missing one is an error, not a
        // directory of missing files, and a file only in DIR_B is missing
        // in DIR_A. With -r, files pair by their paths below the two.
        std::vector<std::string> names, onlyInSecond;
        {
            std::vector<std::string> firstFiles, secondFiles;
            if (!ListFiles(line.Operands[0], recursive, firstFiles) ||
                !ListFiles(line.Operands[1], recursive, secondFiles))
                return HashkeepFailed;
            if (line.Operands.size() == 2) {
                names = firstFiles;
                const std::set<std::string> inFirst =
                    NameKeys(firstFiles.begin(), firstFiles.end());
                for (std::string& name : secondFiles)
                    if (inFirst.count(Platform::FileNameKey(name)) == 0)
                        onlyInSecond.push_back(std::move(name));
            }
        }
        TFileChecker walker(first), secondWalker(second);
        walker.MaxNameLength = CliMaxNameLength;
        secondWalker.MaxNameLength = CliMaxNameLength;
        for (size_t i = 2; i < line.Operands.size(); ++i) {
            const std::string& name = line.Operands[i];
            if (!recursive || !Platform::IsFolder(walker.EntryPath(name))) {
                names.push_back(name);
                continue;
            }
            std::string reason;
            const size_t firstOfFolder = names.size();
            if (!walker.CollectFiles(FolderOperand(name), names, &reason))
                return Fail("compare: " + reason);
            // A file only below the folder in DIR_B is missing in DIR_A, as
            // without FILEs: the two folders are not the same.
            std::vector<std::string> secondFiles;
            if (!Platform::IsFolder(secondWalker.EntryPath(name)))
                continue;
            if (!secondWalker.CollectFiles(FolderOperand(name), secondFiles, &reason))
                return Fail("compare: " + reason);
            const std::set<std::string> inFirst =
                NameKeys(names.begin() + firstOfFolder, names.end());
            for (std::string& file : secondFiles)
                if (inFirst.count(Platform::FileNameKey(file)) == 0)
                    onlyInSecond.push_back(std::move(file));
        }

        // Each file is hashed below its own directory, the first, then
        // (only when that worked) the second.
        TFileChecker checker(first);
        checker.Algorithm = algorithm;
        TTally tally;
        TThroughput throughput;
        THashJobs jobs;
        jobs.Count = names.size();
        jobs.Bytes = BytesOf(names, walker) + BytesOf(names, secondWalker);
        jobs.Source = [&](size_t job, THashJob& result) {
            result.Item.FileName = names[job];
            return true;
        };
        jobs.Work = [&](TFileChecker& worker, THashJob& result) {
            const std::string& name = result.Item.FileName;
            TFileCheckerItem a{name, {}}, b{name, {}};
            worker.BaseDir = first;
            result.Result = worker.HashItem(a);
            if (result.Result == crOk) {
                worker.BaseDir = second;
                result.Result = worker.HashItem(b);
                if (result.Result == crOk && !SameDigest(a.Hash, b.Hash))
                    result.Result = crMismatch;
            }
            const bool inSecond = worker.BaseDir == second;
            result.MissingIn = line.Operands[inSecond ? 1 : 0];
            result.Cause = result.Result == crFailed
                               ? worker.EntryPath(name) + ": " + CauseOf(worker, name)
                               : CauseOf(worker, name);
        };
        jobs.Report = [&](size_t, THashJob& result) {
            return ReportResult("compare", result.Item.FileName, result, "DIFFERENT", tally);
        };
        if (!MakePool(checker).Run(jobs, throughput))
            return HashkeepFailed;
        for (const std::string& name : onlyInSecond) {
            ++tally.Missing;
            Console_->Result(name, "MISSING in " + Escaped(line.Operands[0]), true);
        }
        names.insert(names.end(), onlyInSecond.begin(), onlyInSecond.end());
        const int status = Summary(Counted(names.size(), "file") + " compared", "all the same",
                                   {{tally.Differing, "different"},
                                    {tally.Missing, "missing"},
                                    {tally.Skipped, "skipped"}});
        Console_->Summary(ThroughputLine(throughput));
        return status;
    }

    // True when Name, a FILE of compare, names a path below both
    // directories: an absolute one would be one file for both sides, and
    // ".." (or what Windows takes for it) leads out of them.
    static bool IsPathBelow(const std::string& name) {
        if (name.empty() || Platform::IsAbsolutePath(name) || name.front() == '/' ||
            name.front() == '\\' || name.find(':') == 1)
            return false;
        for (size_t start = 0, end = 0; start <= name.size(); start = end + 1) {
            end = std::min(name.find_first_of("/\\", start), name.size());
            const std::string part = name.substr(start, end - start);
            if (part != "." && !part.empty() && IsDirectoryAlias(part))
                return false;
        }
        return true;
    }

    // The names as the file system tells them apart (Platform::FileNameKey).
    template <typename Iterator>
    static std::set<std::string> NameKeys(Iterator first, Iterator last) {
        std::set<std::string> keys;
        for (; first != last; ++first)
            keys.insert(Platform::FileNameKey(*first));
        return keys;
    }

    // The files (not folders) in Directory, sorted; with Recursive every
    // file below it, as paths sorted part by part. False, after saying why,
    // when it cannot be listed.
    bool ListFiles(const std::string& directory, bool recursive, std::vector<std::string>& names) {
        std::vector<Platform::DirectoryEntry> entries;
        if (!Platform::ListDirectory(Platform::WithTrailingSeparator(directory), entries)) {
            Fail(directory + ": cannot be listed: " + Platform::LastErrorText());
            return false;
        }
        if (recursive) {
            TFileChecker walker(directory);
            walker.MaxNameLength = CliMaxNameLength;
            std::string reason;
            if (walker.CollectFiles("", names, &reason))
                return true;
            Fail("compare: " + reason);
            return false;
        }
        for (const Platform::DirectoryEntry& entry : entries)
            if (!entry.IsDirectory)
                names.push_back(entry.Name);
        std::sort(names.begin(), names.end());
        return true;
    }

    static bool IsDirectory(const std::string& path, std::string& why) {
        const Platform::TPathKind kind = Platform::GetPathKind(path);
        why = kind == Platform::TPathKind::Other ? "not a directory" : Platform::LastErrorText();
        return kind == Platform::TPathKind::Folder;
    }

    // True when something is at Path (links followed).
    static bool Exists(const std::string& path) {
        const Platform::TPathKind kind = Platform::GetPathKind(path);
        return kind == Platform::TPathKind::Folder || kind == Platform::TPathKind::Other;
    }

    int Summary(const std::string& what, const char* allWell,
                const std::vector<std::pair<int32_t, const char*>>& counts) {
        bool problems = false;
        for (const auto& [count, label] : counts)
            problems = problems || count != 0;
        std::string text = what + ": ";
        if (!problems) {
            Console_->Summary(text + allWell);
            return HashkeepAllWell;
        }
        const char* separator = "";
        for (const auto& [count, label] : counts) {
            text += separator + std::to_string(count) + ' ' + label;
            separator = ", ";
        }
        Console_->Summary(text);
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
        for (int attempt = 2; line.Operands.empty() && Exists(directory); ++attempt)
            directory = "hashkeep-demo-" + std::to_string(attempt);
        if (Exists(directory))
            return Fail(directory + ": cannot be made a fresh directory: it exists already");
        if (!Platform::CreateFolder(directory))
            return Fail(directory +
                        ": cannot be made a fresh directory: " + Platform::LastErrorText());
        const std::string dir = Platform::WithTrailingSeparator(directory);
        std::string samples = "The quick brown fox jumps over the lazy dog\n";
        std::string binary;
        for (int i = 0; i < 3 * 65536; ++i)
            binary += static_cast<char>((i * 7) & 0xFF);
        // The same three files again in backup/, to compare with.
        const std::string backup = dir + "backup";
        if (!Platform::CreateFolder(backup))
            return Fail(backup + ": cannot be made: " + Platform::LastErrorText());
        for (const std::string& folder : {dir, Platform::WithTrailingSeparator(backup)})
            if (!WriteSample(folder + "fox.txt", samples) ||
                !WriteSample(folder + "notes.txt", "Remember the milk.\nCall home.\n") ||
                !WriteSample(folder + "pattern.bin", binary))
                return HashkeepFailed;
        Out_ << "Made three sample files in " << Escaped(dir)
             << ": fox.txt, notes.txt, pattern.bin, and a copy of them in " << Escaped(backup)
             << "\n\n";

        // -v: the counts on standard error whether or not it is a terminal.
        const std::string list = dir + "hashlist.md5";
        const bool asExpected =
            Step({"create", "-v", "-C", directory, "fox.txt", "notes.txt", "pattern.bin"},
                 HashkeepAllWell) &&
            Step({"verify", "-v", list}, HashkeepAllWell);
        if (!asExpected)
            return HashkeepFailed;
        Out_ << "\n# notes.txt is changed behind the list's back\n";
        if (!WriteSample(dir + "notes.txt", "Remember the milk.\nCall home!\n"))
            return HashkeepFailed;
        if (!Step({"verify", "-v", list}, HashkeepProblemsFound) ||
            !Step({"compare", "-v", directory, backup, "fox.txt", "notes.txt", "pattern.bin"},
                  HashkeepProblemsFound))
            return HashkeepFailed;
        Out_ << "\nThe list is " << Escaped(list) << "; the demo leaves " << Escaped(dir)
             << " behind for a look. Remove it when done.\n";
        return HashkeepAllWell;
    }

    // Shows and runs one command of the demo; true when it ended as Expected.
    bool Step(const std::vector<std::string>& args, int expected) {
        Out_ << "$ hashkeep";
        for (const std::string& arg : args)
            Out_ << ' ' << Escaped(arg);
        Out_ << '\n';
        const int status = TRun(args, In_, Out_, Err_, ErrIsTerminal_).Main();
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
            Fail(path + ": cannot be written: " + Platform::LastErrorText());
        Platform::CloseFile(file);
        return ok;
    }

    const std::vector<std::string>& Args_;
    std::istream& In_;
    std::ostream& Out_;
    std::ostream& Err_;
    const bool ErrIsTerminal_;
    // Set by Parse from the command's options.
    std::optional<TConsole> Console_;
    unsigned Workers_ = 1;
    bool AbortOnError_ = false;
};

} // namespace

int RunHashkeep(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err,
                bool ErrIsTerminal) {
    std::istringstream nothing;
    return RunHashkeep(Args, nothing, Out, Err, ErrIsTerminal);
}

int RunHashkeep(const std::vector<std::string>& Args, std::istream& In, std::ostream& Out,
                std::ostream& Err, bool ErrIsTerminal) {
    try {
        return TRun(Args, In, Out, Err, ErrIsTerminal).Main();
    } catch (const std::exception& failure) {
        Err << ToolName << ": " << Escaped(failure.what()) << '\n';
    } catch (...) {
        Err << ToolName << ": unexpected failure\n";
    }
    return HashkeepFailed;
}
