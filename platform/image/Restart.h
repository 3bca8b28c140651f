// The restart of a system image: every pending hive replacement is applied, journaled so that
// an interruption at any point leaves each hive file in place, old or new, and the next use of
// the image completes or rolls back what was under way.
//
// Per hive (L the live hive, N the new file, B the backup name), each step idempotent:
//   backup-clear  a file at B that is not L's content is removed, with stale B.LOG* files
//   backup-link   B becomes a hard link to L (a copy where links are not supported)
//   log .LOGx     each transaction log of L (its name as spelled on disk, "l.LOGx" too) moves
//                 to B.LOGx; one that fresh-log brought in before an interruption stays
//   fresh-log .LOGx  (undo only) each log N.LOGx of the new file takes the name L.LOGx
//   swap          N is renamed over L: one atomic step from the old hive to the new one
//   discard       (undo only) the file put aside at B goes, with its logs
// The folders are flushed after the link, the log moves and the swap, so that no later step or
// record gets to disk ahead of them. L exists throughout. Whether a hive is done is read from the
// files: N gone means swapped, when finishing an interrupted restart; in any other run it means
// that the new file was deleted, and the hive is not replaced.
// A step that fails rolls its hive back (logs return, the link at B goes) and the replacement
// stays pending; the restart itself still happens. Around the hives: "journal" (written before
// any hive is touched), "state" (the pending list without the replaced hives, the boot count),
// "boot-log", "journal-clear". A journal left behind is finished by Recover.
#pragma once

#include "platform/image/ImageState.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hivelet::image {

// Tests interrupt a restart through this hook, called before every step with the step's name
// ("swap \REGISTRY\MACHINE\SYSTEM", "journal", ...). Returning Fail makes the step fail as a
// full disk or a failing rename would; throwing an exception that does not derive from
// std::exception stops everything on the spot, as a crash would.
enum class FaultAction { Proceed, Fail };
using FaultHook = std::function<FaultAction(const std::string& step)>;

struct BootOutcome {
    unsigned number = 0;
    std::vector<std::string> replaced;    // hive names
    std::vector<std::string> keptPending; // "hive name: reason"
    // False when the journal stays behind: a hive could not be rolled back, or the records
    // could not be written. The next use of the image finishes the work.
    bool finished = true;

    // The hives kept pending with their reasons, "; " between them; empty when there are none.
    std::string KeptPendingText() const;
};

// What the run log says of a run: its name ("boot", "replacement", "undo") and the hive names it
// replaced. Reads the lines the restart writes to the log.
struct LoggedRun {
    std::string what;
    std::vector<std::string> replaced;
};
// The newest run in `log` whose name is one of `names`; nullopt when there is none.
std::optional<LoggedRun> LastLoggedRun(const std::vector<std::string>& log,
                                       const std::vector<std::string>& names);

class Restart {
public:
    // `runName` names each run in the log: "boot" for a system image, "replacement" for an
    // installation that is not running.
    Restart(std::filesystem::path imageRoot, ImageState& state, FaultHook hook,
            std::function<std::string()> dateTime, std::string runName = "boot");

    // Applies every pending replacement (finishing an earlier interrupted restart first).
    BootOutcome Boot();
    // Applies `replacements` (which need not be pending) the same way, numbered as the next
    // run and logged as `what` ("undo"); the pending list keeps what it holds.
    BootOutcome Apply(std::vector<Replacement> replacements, const std::string& what);
    // Finishes a restart whose journal is still there; nullopt when there is none. Throws
    // std::runtime_error when a hive can be neither completed nor rolled back.
    std::optional<BootOutcome> Recover();

private:
    BootOutcome Run(unsigned number, const std::vector<Replacement>& replacements, bool recovering,
                    const std::string& what);
    void Forward(const Replacement& r, bool recovering);
    bool BroughtIn(const Replacement& r, const std::filesystem::path& liveLog) const;
    void Rollback(const Replacement& r);
    void Discard(const Replacement& r);
    void Step(const std::string& name);
    std::filesystem::path Host(const std::string& relative) const;

    std::filesystem::path root_;
    ImageState& state_;
    FaultHook hook_;
    std::function<std::string()> dateTime_;
    std::string what_ = "boot"; // how the log names a run of this machine
};

} // namespace hivelet::image
