// Hivelet's own window messages, all in one table so that no two share a number. They are
// registered by number only (a second instance posts WM_RESTOREINSTANCE to the first), so the
// numbers themselves must never change.
#pragma once

#include <cstdint>

namespace hivelet::ui {

// The progress dialog posts it to itself when it is first activated: start the scan worker.
inline constexpr uint32_t WM_STARTSCAN = 0x6602;
// Posted by the scan worker after each hive: wParam = milliseconds the first save took (the same
// in every message), lParam = hives done so far.
inline constexpr uint32_t WM_HIVESAVED = 0x6603;
// A second instance wakes the main window of the first one up (both parameters 0).
inline constexpr uint32_t WM_RESTOREINSTANCE = 0x6604;
// Posted once by every restore-point worker to its dialog: lParam 0 when the restore point was
// created, 1 when it was not.
inline constexpr uint32_t WM_RESTOREPOINTDONE = 0x6605;
// The main window runs the /Silent sequence (both parameters 0).
inline constexpr uint32_t WM_SILENTRUN = 0x6606;
// The main window runs the /Scan sequence (both parameters 0).
inline constexpr uint32_t WM_SCANRUN = 0x6607;

} // namespace hivelet::ui
