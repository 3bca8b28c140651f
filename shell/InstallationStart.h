// Starting on a Windows installation that is not running (--windows ROOT): the machine derived
// from it, a line for every profile left out, the refusals its state calls for, and the undo.
#pragma once

#include "platform/image/ImagePlatform.h"
#include "shell/CommandLine.h"

#include <memory>
#include <ostream>
#include <string>

namespace hivelet::shell {

// The platform over the installation, or nullptr after one line on `err` saying why it cannot
// be used: it is no installation, or it is read-only, or (for anything that changes it: /Silent,
// --undo) hibernated. `out` gets the lines about what the hive list leaves out and, for /Silent,
// what stands in for a restore point.
std::unique_ptr<image::ImagePlatform> OpenInstallation(const CommandLine& cl, std::ostream& out,
                                                       std::ostream& err);

// --undo: puts back the last compaction and says what it did. The process's exit code.
int UndoLastCompaction(image::ImagePlatform& platform, std::ostream& out, std::ostream& err);

// What replacing at once did, for the terminal; empty when no run followed the one numbered
// `before` (what the start finished, if anything).
std::string ReplacedAtOnceReport(const image::ImagePlatform& platform, unsigned before);

} // namespace hivelet::shell
