// Recovery of a dirty hive from its transaction logs, in memory: first a plan (which log bytes go
// where, and the base block the result gets), checked against every named limit, then the plan
// applied to the primary file's bytes.
#pragma once

#include "platform/regf/Format.h"
#include "platform/regf/LogFiles.h"
#include "platform/regf/Regf.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::regf {

struct RecoveryPlan {
    struct Write {
        uint32_t binsOffset; // where in the bins data
        const uint8_t* data; // into a log's bytes
        uint32_t size;
    };
    std::array<uint8_t, kBaseBlockSize> baseBlock{};
    uint64_t fileSize = 0;     // of the recovered file
    std::vector<Write> writes; // in order; later ones win
};

// Dirty as Windows' loader decides it: a base block whose checksum is wrong or whose sequence
// numbers differ. Only such a hive is recovered, whatever its logs hold.
bool NeedsRecovery(const uint8_t* file, uint64_t size);

// Works out the recovery of `primary` (the whole file, `name` for messages) from `logs`; fills
// `report` in every case. Fails with Dirty when no log can be used.
Status PlanRecovery(const uint8_t* primary, uint64_t size, const std::string& name,
                    const std::vector<LogImage>& logs, RecoveryPlan& plan, Recovery& report);

// `file` holds plan.fileSize bytes, the first `primarySize` of them the primary file's.
void ApplyRecovery(const RecoveryPlan& plan, uint8_t* file, uint64_t primarySize);

// ---- The two log formats (RecoveryNew.cpp, RecoveryOld.cpp) ----

// The 512-byte base block copy at the start of a log: "" when usable, else why not.
std::string LogBaseBlockFault(const LogImage& log, uint32_t fileType);

struct PrimaryState {
    const uint8_t* file;
    uint64_t size;
    const std::string& name;
    bool rebuilt; // base block (plan.baseBlock) comes from a log
};

// Old-format logs use a DIRT vector, new-format ones HvLE entries. Both fill `plan.writes` and the
// sequence numbers and sizes of `plan.baseBlock`, and `report`; they fail with Dirty when no
// usable log is left. The base block in `plan` is the primary's (or its rebuilt copy) on entry.
Status PlanNewFormat(const PrimaryState& primary, const std::vector<const LogImage*>& logs,
                     RecoveryPlan& plan, Recovery& report);
Status PlanOldFormat(const PrimaryState& primary, const std::vector<const LogImage*>& logs,
                     RecoveryPlan& plan, Recovery& report);

// File name without folders, for short texts.
std::string BaseName(const std::string& path);

} // namespace hivelet::regf
