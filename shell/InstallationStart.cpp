#include "shell/InstallationStart.h"

#include "defrag/Replacement.h"

namespace hivelet::shell {

namespace {

std::string UndoCommand(const std::string& root) {
    return "hivelet --windows " + root + " --undo";
}

} // namespace

std::unique_ptr<image::ImagePlatform> OpenInstallation(const CommandLine& cl, std::ostream& out,
                                                       std::ostream& err) {
    const std::string& root = *cl.windowsRoot;
    image::Installation installation;
    try {
        installation = image::DeriveInstallation(root);
    } catch (const std::exception& e) {
        err << "hivelet: cannot use the Windows installation: " << e.what() << "\n";
        return nullptr;
    }
    // Every run writes there (the compacted copies beside the hives at least).
    if (!installation.readOnly.empty()) {
        err << "hivelet: " << installation.readOnly << "\n";
        return nullptr;
    }
    const bool changes = cl.undo || FirstArgumentSwitch(cl.arguments) == UnattendedSwitch::Silent;
    if (!installation.hibernated.empty() && changes) {
        err << "hivelet: " << installation.hibernated << "\n";
        return nullptr;
    }
    for (const std::string& note : installation.notes)
        out << note << "\n";
    if (!installation.hibernated.empty())
        out << "No hive will be replaced: " << installation.hibernated << "\n";
    std::unique_ptr<image::ImagePlatform> platform;
    try {
        platform = std::make_unique<image::ImagePlatform>(installation);
    } catch (const std::exception& e) {
        err << "hivelet: cannot use the Windows installation: " << e.what() << "\n";
        return nullptr;
    }
    if (const auto boot = platform->lastBoot())
        out << "An interrupted replacement was finished: " << boot->replaced.size()
            << " hive(s) in place.\n";
    if (FirstArgumentSwitch(cl.arguments) == UnattendedSwitch::Silent)
        out << "No restore point: System Restore cannot make one of a Windows installation that "
               "is not running. Each replaced hive is kept beside it as its "
            << defrag::BackupSuffix << " file, and " << UndoCommand(root)
            << " puts the last compaction back.\n";
    return platform;
}

int UndoLastCompaction(image::ImagePlatform& platform, std::ostream& out, std::ostream& err) {
    image::BootOutcome outcome;
    try {
        outcome = platform.UndoLastCompaction(defrag::BackupSuffix);
    } catch (const std::exception& e) {
        err << "hivelet: " << e.what() << "\n";
        return 1;
    }
    for (const std::string& hive : outcome.replaced)
        out << "put back " << hive << " from its " << defrag::BackupSuffix << " file\n";
    for (const std::string& kept : outcome.keptPending)
        out << "not put back: " << kept << "\n";
    out << "The last compaction was undone: " << outcome.replaced.size()
        << " hive(s) put back; nothing was restarted.\n";
    return outcome.keptPending.empty() && outcome.finished ? 0 : 1;
}

std::string ReplacedAtOnceReport(const image::ImagePlatform& platform, unsigned before) {
    const std::optional<image::BootOutcome> boot = platform.lastBoot();
    if (!boot || boot->number <= before)
        return {};
    std::string text = "\nThe hives of the Windows installation were replaced at once: " +
                       std::to_string(boot->replaced.size()) +
                       " hive(s) replaced, each old one kept as its " + defrag::BackupSuffix +
                       " file; nothing was restarted.\n";
    for (const std::string& kept : boot->keptPending)
        text += "not replaced: " + kept + "\n";
    return text;
}

} // namespace hivelet::shell
