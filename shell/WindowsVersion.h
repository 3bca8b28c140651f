// The Windows version code Hivelet classifies the running system by.
//
//  code  system                                   code  system
//   0    anything else (also NT 10 and later)       7    NT 5.x except 5.1, 5.2 (Windows 2000)
//   1    Windows 95 (not NT, 4.0)                   8    Windows Me (not NT, 4.90)
//   3    Windows 98 (not NT, 4.10)                  9    NT 5.1 (Windows XP)
//   5    NT 3.x                                    10    NT 5.2 (Server 2003, XP x64)
//   6    NT 4.x                                    11    NT 6.x except 6.1 (Vista, 2008, 8 and
//   later)
//                                                  12    NT 6.1 (Windows 7, Server 2008 R2)
#pragma once

#include "platform/Platform.h"

namespace hivelet::shell {

int GetWindowsVersionCode(platform::Platform& platform);

// The codes the main window runs on: 5, 6, 7 and 9 to 12.
bool IsSupportedWindowsVersion(int code);

// The codes on which a restore point is offered before compacting: 9 to 12.
bool OffersRestorePoint(int code);

} // namespace hivelet::shell
