#include "platform/image/Restart.h"

#include "platform/SyncFile.h"
#include "platform/SyncFolder.h"
#include "platform/image/HiveLogs.h"

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <system_error>

namespace hivelet::image {

namespace fs = std::filesystem;

namespace {

// A step that did not happen; the hive is then rolled back.
struct StepFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

void Check(const std::error_code& ec, const std::string& what) {
    if (ec) {
        throw StepFailed(what + ": " + ec.message());
    }
}

bool SameContent(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) {
        return true;
    }
    if (ec || fs::file_size(a, ec) != fs::file_size(b, ec) || ec) {
        return false;
    }
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    char ba[65536], bb[65536];
    while (fa && fb) {
        fa.read(ba, sizeof ba);
        fb.read(bb, sizeof bb);
        if (fa.gcount() != fb.gcount() || !std::equal(ba, ba + fa.gcount(), bb)) {
            return false;
        }
    }
    return !fa.bad() && !fb.bad();
}

fs::path WithSuffix(const fs::path& p, const std::string& suffix) {
    return fs::path(p.string() + suffix);
}

// The file `name` in the folder of `file` (a hive's log beside it).
fs::path Beside(const fs::path& file, const std::string& name) {
    return file.parent_path() / name;
}

std::string BesideText(const std::string& relative, const std::string& name) {
    return Beside(fs::path(relative), name).generic_string();
}

// Flushes the folders of `files` (each folder once), so that the names a step gave survive a
// power cut before the next step or record counts on them.
void SyncFolders(std::initializer_list<fs::path> files) {
    std::vector<fs::path> done;
    for (const fs::path& f : files) {
        const fs::path folder = f.parent_path();
        if (std::find(done.begin(), done.end(), folder) == done.end()) {
            platform::SyncFolder(folder);
            done.push_back(folder);
        }
    }
}

bool Logged(const std::vector<std::string>& log, unsigned number) {
    std::string mark = " " + std::to_string(number) + ":";
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) {
        size_t blank = l.find(' ');
        return blank != std::string::npos && l.compare(blank, mark.size(), mark) == 0;
    });
}

std::string Describe(const BootOutcome& o, bool recovering, const std::string& what) {
    std::string s = what + " " + std::to_string(o.number) + ":";
    if (recovering) {
        s += " (finished after an interruption)";
    }
    s += " replaced";
    if (o.replaced.empty()) {
        s += " nothing";
    }
    for (size_t i = 0; i < o.replaced.size(); ++i) {
        s += (i ? ", " : " ") + o.replaced[i];
    }
    for (const std::string& k : o.keptPending) {
        s += "; still pending " + k;
    }
    return s;
}

} // namespace

std::string BootOutcome::KeptPendingText() const {
    std::string text;
    for (const std::string& k : keptPending) {
        text += (text.empty() ? "" : "; ") + k;
    }
    return text;
}

std::optional<LoggedRun> LastLoggedRun(const std::vector<std::string>& log,
                                       const std::vector<std::string>& names) {
    // Lines as Describe writes them (ReadLog drops the date and time before them):
    // "<what> <number>: [(...)] replaced a, b[; still pending ...]".
    std::optional<LoggedRun> last;
    for (const std::string& line : log) {
        for (const std::string& name : names) {
            if (line.rfind(name + " ", 0) == 0) {
                last = LoggedRun{name, {}};
                const std::string mark = " replaced ";
                const size_t at = line.find(mark);
                if (at == std::string::npos) {
                    break;
                }
                std::string list = line.substr(at + mark.size());
                list = list.substr(0, list.find(';'));
                for (size_t pos = 0; list != "nothing" && pos < list.size();) {
                    const size_t comma = list.find(", ", pos);
                    last->replaced.push_back(
                        list.substr(pos, comma == std::string::npos ? comma : comma - pos));
                    pos = comma == std::string::npos ? list.size() : comma + 2;
                }
                break;
            }
        }
    }
    return last;
}

Restart::Restart(fs::path imageRoot, ImageState& state, FaultHook hook,
                 std::function<std::string()> dateTime, std::string runName)
    : root_(std::move(imageRoot)), state_(state), hook_(std::move(hook)),
      dateTime_(std::move(dateTime)), what_(std::move(runName)) {}

fs::path Restart::Host(const std::string& relative) const {
    return root_ / fs::path(relative);
}

void Restart::Step(const std::string& name) {
    if (hook_ && hook_(name) == FaultAction::Fail) {
        throw StepFailed(name + ": failed");
    }
}

// Whether the hive's log `liveLog` is one the fresh-log step brought in from beside the new file
// before an interruption: that log is gone there and stands under the hive's log name.
bool Restart::BroughtIn(const Replacement& r, const fs::path& liveLog) const {
    const fs::path live = Host(r.live), fresh = Host(r.fresh);
    return std::any_of(r.freshLogs.begin(), r.freshLogs.end(), [&](const std::string& name) {
        const fs::path to = WithSuffix(live, LogSuffixIn(name, fresh));
        std::error_code ec;
        return !Exists(Beside(fresh, name)) && Exists(to) && fs::equivalent(to, liveLog, ec);
    });
}

void Restart::Forward(const Replacement& r, bool recovering) {
    const fs::path live = Host(r.live), fresh = Host(r.fresh), backup = Host(r.backup);
    const std::string& h = r.hive;
    std::error_code ec;
    if (!Exists(fresh)) {
        if (!Exists(live)) {
            throw StepFailed(h + ": neither the hive file nor its new file exists");
        }
        if (!recovering) {
            // Nothing of this run touched it: the new file was deleted while it waited.
            throw StepFailed("the new file " + r.fresh + " is missing");
        }
        Discard(r); // swapped before an interruption
        return;
    }
    if (Exists(live)) {
        Step("backup-clear " + h);
        if (Exists(backup) && !SameContent(backup, live)) {
            fs::remove(backup, ec);
            Check(ec, "cannot remove the old backup " + r.backup);
        }
        for (const std::string& name : LogsBeside(backup)) {
            const std::string x = LogSuffixIn(name, backup);
            bool ours = std::any_of(r.logs.begin(), r.logs.end(), [&](const std::string& log) {
                return LogSuffixIn(log, live) == x;
            });
            if (!ours) {
                fs::remove(Beside(backup, name), ec);
                Check(ec, "cannot remove the old backup log " + BesideText(r.backup, name));
            }
        }
        Step("backup-link " + h);
        if (!Exists(backup)) {
            fs::create_hard_link(live, backup, ec);
            if (ec) {
                // No hard links here: copy under a temporary name, then give it the name.
                fs::path temp = WithSuffix(backup, ".hivelet-copy");
                fs::copy_file(live, temp, fs::copy_options::overwrite_existing, ec);
                if (!ec && !platform::SyncFile(temp)) {
                    ec = std::make_error_code(std::errc::io_error);
                }
                if (!ec) {
                    fs::rename(temp, backup, ec);
                }
                if (ec) {
                    std::error_code ignored;
                    fs::remove(temp, ignored);
                }
                Check(ec, "cannot keep the hive under its backup name " + r.backup);
            }
        }
        SyncFolders({backup});
        for (const std::string& name : r.logs) {
            const std::string x = LogSuffixIn(name, live);
            Step("log " + x + " " + h);
            const fs::path log = Beside(live, name);
            if (Exists(log) && !BroughtIn(r, log)) {
                fs::rename(log, WithSuffix(backup, x), ec);
                Check(ec, "cannot move " + BesideText(r.live, name));
            }
        }
        for (const std::string& name : r.freshLogs) {
            const std::string x = LogSuffixIn(name, fresh);
            Step("fresh-log " + x + " " + h);
            if (Exists(Beside(fresh, name)) && !Exists(WithSuffix(live, x))) {
                fs::rename(Beside(fresh, name), WithSuffix(live, x), ec);
                Check(ec, "cannot move " + BesideText(r.fresh, name));
            }
        }
        SyncFolders({live, backup, fresh});
    }
    Step("swap " + h);
    fs::rename(fresh, live, ec);
    Check(ec, "cannot rename " + r.fresh + " to " + r.live);
    SyncFolders({live, fresh});
    Discard(r);
}

void Restart::Discard(const Replacement& r) {
    if (!r.discardBackup) {
        return;
    }
    // The hive is in place by now: what stays of the put-aside file is only clutter, never a
    // reason to undo the swap.
    try {
        Step("discard " + r.hive);
    } catch (const StepFailed&) {
        return;
    }
    std::error_code ec;
    const fs::path backup = Host(r.backup);
    const std::vector<std::string> logs = LogsBeside(backup);
    fs::remove(backup, ec);
    for (const std::string& name : logs) {
        fs::remove(Beside(backup, name), ec);
    }
}

void Restart::Rollback(const Replacement& r) {
    const fs::path live = Host(r.live), fresh = Host(r.fresh), backup = Host(r.backup);
    std::error_code ec;
    if (!Exists(fresh)) {
        return; // swapped: the hive is new, there is nothing to put back
    }
    for (const std::string& name : r.freshLogs) {
        const std::string x = LogSuffixIn(name, fresh);
        Step("rollback-fresh-log " + x + " " + r.hive);
        if (Exists(WithSuffix(live, x)) && !Exists(Beside(fresh, name))) {
            fs::rename(WithSuffix(live, x), Beside(fresh, name), ec);
            Check(ec, "cannot move " + r.live + x + " back");
        }
    }
    for (const std::string& name : r.logs) {
        const std::string x = LogSuffixIn(name, live);
        Step("rollback-log " + x + " " + r.hive);
        if (Exists(WithSuffix(backup, x)) && !Exists(Beside(live, name))) {
            fs::rename(WithSuffix(backup, x), Beside(live, name), ec);
            Check(ec, "cannot move " + r.backup + x + " back");
        }
    }
    Step("rollback-backup " + r.hive);
    if (Exists(fresh) && Exists(live) && Exists(backup) && SameContent(backup, live)) {
        fs::remove(backup, ec);
        Check(ec, "cannot remove " + r.backup);
    }
    SyncFolders({live, backup, fresh});
}

BootOutcome Restart::Run(unsigned number, const std::vector<Replacement>& replacements,
                         bool recovering, const std::string& what) {
    BootOutcome out;
    out.number = number;
    std::vector<const Replacement*> done;
    for (const Replacement& r : replacements) {
        try {
            Forward(r, recovering);
            out.replaced.push_back(r.hive);
            done.push_back(&r);
        } catch (const std::exception& failed) {
            try {
                Rollback(r);
                out.keptPending.push_back(r.hive + " (" + failed.what() + ")");
            } catch (const std::exception& stuck) {
                out.keptPending.push_back(r.hive + " (" + failed.what() + "; " + stuck.what() +
                                          ")");
                out.finished = false;
            }
        }
    }
    if (!out.finished) {
        return out;
    }
    std::vector<Replacement> pending;
    for (const Replacement& p : state_.pending()) {
        bool applied = std::any_of(done.begin(), done.end(), [&](const Replacement* d) {
            return d->hive == p.hive && d->fresh == p.fresh;
        });
        if (!applied) {
            pending.push_back(p);
        }
    }
    try {
        Step("state");
        if (!state_.Save(std::move(pending), std::max(state_.boots(), number))) {
            throw StepFailed("cannot write the image state");
        }
        Step("boot-log");
        if (!Logged(state_.ReadLog(state_.runLog()), number) &&
            !state_.AppendLog(state_.runLog(), Describe(out, recovering, what), dateTime_())) {
            throw StepFailed("cannot write the boot log");
        }
        Step("journal-clear");
        if (!state_.RemoveJournal()) {
            throw StepFailed("cannot remove the restart journal");
        }
    } catch (const StepFailed&) {
        out.finished = false;
    }
    return out;
}

std::optional<BootOutcome> Restart::Recover() {
    std::optional<Journal> journal = state_.ReadJournal();
    if (!journal) {
        return std::nullopt;
    }
    BootOutcome out = Run(journal->bootNumber, journal->replacements, true,
                          journal->what.empty() ? what_ : journal->what);
    if (!out.finished) {
        const std::string why = out.KeptPendingText();
        throw std::runtime_error((state_.folder() / "journal.ini").string() +
                                 ": an interrupted restart could not be finished" +
                                 (why.empty() ? std::string() : ": " + why) +
                                 " (every hive file is in place; try again)");
    }
    return out;
}

BootOutcome Restart::Boot() {
    return Apply(state_.pending(), what_);
}

BootOutcome Restart::Apply(std::vector<Replacement> replacements, const std::string& what) {
    Recover();
    const unsigned number = state_.boots() + 1;
    Journal journal;
    journal.bootNumber = number;
    journal.what = what == what_ ? std::string() : what;
    journal.replacements = std::move(replacements);
    for (Replacement& r : journal.replacements) {
        r.logs.clear();
        r.freshLogs.clear();
        r.logs = LogsBeside(Host(r.live));
        if (r.discardBackup) {
            r.freshLogs = LogsBeside(Host(r.fresh));
        }
    }
    if (!journal.replacements.empty()) {
        bool written = false;
        try {
            Step("journal");
            written = state_.WriteJournal(journal);
        } catch (const StepFailed&) {
        }
        if (!written) {
            // Nothing was touched: the machine starts with its old hives, all still pending.
            BootOutcome out;
            out.number = number;
            for (const Replacement& r : journal.replacements) {
                out.keptPending.push_back(r.hive + " (cannot write the restart journal)");
            }
            if (state_.Save(state_.pending(), number)) {
                state_.AppendLog(state_.runLog(), Describe(out, false, what), dateTime_());
            } else {
                out.finished = false;
            }
            return out;
        }
    }
    return Run(number, journal.replacements, false, what);
}

} // namespace hivelet::image
