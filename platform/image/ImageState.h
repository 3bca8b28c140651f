// What the image remembers between runs, in the folder `.hivelet-state` at the image root:
//
//   state.ini           [Boot] Count = restarts so far; one [ReplaceN] section per replacement
//                       scheduled for the next restart (Hive, Live, New, Backup)
//   journal.ini         only while a restart applies the replacements: the boot number and the
//                       replacements being applied, each with the transaction logs its hive had
//   boot.log            one line per restart: what was replaced, what stayed pending and why
//   restore-points.log  one line per restore point created
//   web-pages.log       one line per web page opened
//   events.log          one line per event reported to the event log ("source: text")
//
// File paths in state.ini and journal.ini are relative to the image root, '/'-separated, as the
// files are named on disk; log files are named without their folder, which is their hive's.
// state.ini and journal.ini are replaced atomically; logs are appended.
//
// An installation that is not running (--windows ROOT) keeps the same folder at ROOT, with
// replacements.log in place of boot.log; state.ini is there only while a replacement is pending,
// so once nothing is pending only the log stays (its last number is the count).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hivelet::image {

inline constexpr const char* StateFolderName = ".hivelet-state";
inline constexpr const char* BootLog = "boot.log";
inline constexpr const char* ReplacementLog = "replacements.log";
inline constexpr const char* RestorePointLog = "restore-points.log";
inline constexpr const char* WebPageLog = "web-pages.log";
inline constexpr const char* EventLog = "events.log";

// One hive replacement: at the next restart `live` moves to `backup` (with its logs) and `fresh`
// takes its name.
struct Replacement {
    std::string hive; // the hivelist name of the hive, as listed
    std::string live; // image-relative paths
    std::string fresh;
    std::string backup;
    // Journal only: the file names of the hive's logs beside `live` at the start, spelled as on
    // disk ("ntuser.dat.LOG1" beside "NTUSER.DAT").
    std::vector<std::string> logs;
    // Journal only: the file names of logs beside `fresh` that take the hive's log names (an undo
    // brings back the backup's logs), and whether the file put aside at `backup` goes once the
    // hive is swapped.
    std::vector<std::string> freshLogs;
    bool discardBackup = false;
};

struct Journal {
    unsigned bootNumber = 0;
    std::string what; // the run's name in the log when it is not the machine's usual one
    std::vector<Replacement> replacements;
};

class ImageState {
public:
    // Reads state.ini if there is one. Throws std::runtime_error naming the file and line when
    // it is malformed, or when an entry names a file outside the image or names the live hive as
    // its new file or backup (the image's disk is not to be trusted: nothing is touched then).
    explicit ImageState(std::filesystem::path imageRoot);
    // The state of an installation that is not running: state.ini only while something is
    // pending, runs logged to replacements.log.
    static ImageState ForInstallation(std::filesystem::path root);

    const std::vector<Replacement>& pending() const { return pending_; }
    unsigned boots() const { return boots_; }
    // Persists a new pending list and boot count; memory follows only on success.
    bool Save(std::vector<Replacement> pending, unsigned boots);

    bool JournalExists() const;
    bool WriteJournal(const Journal& journal);
    // Throws std::runtime_error when the journal is malformed or an entry is refused as in the
    // constructor; nullopt when there is none.
    std::optional<Journal> ReadJournal() const;
    bool RemoveJournal();

    // Appends "<local date and time>\t<text>" to a log (control characters escaped).
    bool AppendLog(std::string_view log, std::string_view text, std::string_view dateTime);
    // The text part of every line of a log, oldest first.
    std::vector<std::string> ReadLog(std::string_view log) const;

    const std::filesystem::path& folder() const { return folder_; }
    // The log of restarts (or, for an installation, of replacements and undos).
    const std::string& runLog() const { return runLog_; }

private:
    bool EnsureFolder();

    ImageState(std::filesystem::path imageRoot, bool installation);

    std::filesystem::path folder_;
    std::vector<Replacement> pending_;
    unsigned boots_ = 0;
    bool keepOnlyWhilePending_ = false;
    std::string runLog_ = BootLog;
};

} // namespace hivelet::image
