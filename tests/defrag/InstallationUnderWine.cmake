# Hivelet.exe (under the emulator, Wine on Linux) on the demo Windows installation that is not
# running: `--windows ROOT /Scan RESULT` writes a complete result and changes nothing, then
# `--windows ROOT /Silent` replaces every hive at once: each old hive (and each of its logs) is
# kept byte for byte under its .bak name, the new hive takes its place, and nothing stays pending.
#
#   cmake -DPROGRAM=Hivelet.exe "-DEMULATOR=wine-run" -DNATIVE_GENERATOR=hivelet-demo-image
#         -DWORK=DIR -P InstallationUnderWine.cmake
#
# The installation is written by the native build's generator; without it the check is skipped
# (its output then starts with "SKIPPED:").

include("${CMAKE_CURRENT_LIST_DIR}/../ScriptArguments.cmake")
hivelet_script_arguments(REQUIRED PROGRAM WORK BUILT NATIVE_GENERATOR)

# The demo installation's hives that have a file: SYSTEM, SOFTWARE, SAM, SECURITY, DEFAULT, the
# two service profiles and the user's two hives.
set(expected_hives 9)
# A guard against a program that hangs (a message box nobody answers); not a measure of speed.
set(guard_seconds 300)

set(root "${WORK}/windows")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${NATIVE_GENERATOR}" --windows "${root}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out TIMEOUT ${guard_seconds})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the demo installation generator failed (${rc}):\n${out}")
endif()

# The root of the Linux file system is drive Z under Wine.
function(windows_path out path)
  string(REPLACE "/" "\\" p "${path}")
  set(${out} "Z:${p}" PARENT_SCOPE)
endfunction()
windows_path(windows_root "${root}")

# Every file below the installation, relative, with its SHA-256 in hash_<file>.
macro(take_hashes prefix)
  file(GLOB_RECURSE ${prefix}_files RELATIVE "${root}" LIST_DIRECTORIES false "${root}/*")
  foreach(f IN LISTS ${prefix}_files)
    file(SHA256 "${root}/${f}" ${prefix}_hash_${f})
  endforeach()
endmacro()
take_hashes(before)

function(run_program what expected_rc)
  execute_process(COMMAND ${EMULATOR} "${PROGRAM}" --windows "${windows_root}" ${ARGN}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out
                  TIMEOUT ${guard_seconds})
  if(NOT rc STREQUAL "${expected_rc}")
    message(FATAL_ERROR "${what}: exit code ${rc}, not ${expected_rc}, or it did not end:\n${out}")
  endif()
endfunction()

# /Scan: the result file is a full path of the running computer, outside the installation.
windows_path(windows_result "${WORK}/scan-result.ini")
run_program("/Scan" 0 /Scan "${windows_result}")
if(NOT EXISTS "${WORK}/scan-result.ini")
  message(FATAL_ERROR "/Scan wrote no result file at ${WORK}/scan-result.ini")
endif()
file(READ "${WORK}/scan-result.ini" result)
file(READ "${WORK}/scan-result.ini" result_hex HEX)
if(NOT result MATCHES "^\\[Scan Result\\]\r?\nCurrent Size=[0-9,]+ KB\r?\nNew Size=[0-9,]+ KB\r?\nSize Reduction=[0-9,]+ KB\r?\nCompact Percent=[0-9]+\\.[0-9]%\r?\nTime=[^\r\n]+\r?\n$" OR
   NOT result_hex MATCHES "^5b5363616e20526573756c745d0d0a") # "[Scan Result]" CR LF
  message(FATAL_ERROR "the /Scan result is not a complete analysis with its keys:\n${result}")
endif()
if(result MATCHES "Current Size=0 KB" OR result MATCHES "Size Reduction=0 KB")
  message(FATAL_ERROR "/Scan measured nothing:\n${result}")
endif()
foreach(f IN LISTS before_files)
  if(NOT EXISTS "${root}/${f}")
    message(FATAL_ERROR "/Scan removed ${f}")
  endif()
  file(SHA256 "${root}/${f}" now)
  if(NOT now STREQUAL before_hash_${f})
    message(FATAL_ERROR "/Scan changed ${f}")
  endif()
endforeach()

# /Silent: the hives are replaced before the program ends.
run_program("/Silent" 0 /Silent)
set(backups 0)
foreach(f IN LISTS before_files)
  if(NOT EXISTS "${root}/${f}.bak")
    continue()
  endif()
  if(f MATCHES "\\.LOG[12]?$")
    message(FATAL_ERROR "a log got a backup of its own: ${f}.bak")
  endif()
  math(EXPR backups "${backups} + 1")
  file(SHA256 "${root}/${f}.bak" kept)
  if(NOT kept STREQUAL before_hash_${f})
    message(FATAL_ERROR "${f}.bak is not the old hive byte for byte")
  endif()
  file(SHA256 "${root}/${f}" now)
  if(now STREQUAL before_hash_${f})
    message(FATAL_ERROR "${f} has a backup but is still the old hive")
  endif()
  file(SIZE "${root}/${f}" new_size)
  file(SIZE "${root}/${f}.bak" old_size)
  if(new_size GREATER old_size)
    message(FATAL_ERROR "${f} grew: ${old_size} -> ${new_size} bytes")
  endif()
  # Its logs went with it to the backup, unchanged; the new hive has none yet.
  foreach(x .LOG .LOG1 .LOG2)
    if(DEFINED before_hash_${f}${x})
      if(NOT EXISTS "${root}/${f}.bak${x}")
        message(FATAL_ERROR "${f}${x} did not follow the old hive to ${f}.bak${x}")
      endif()
      file(SHA256 "${root}/${f}.bak${x}" log)
      if(NOT log STREQUAL before_hash_${f}${x})
        message(FATAL_ERROR "${f}.bak${x} is not the old log byte for byte")
      endif()
      if(EXISTS "${root}/${f}${x}")
        message(FATAL_ERROR "the old log ${f}${x} stayed beside the new hive")
      endif()
    endif()
  endforeach()
endforeach()
if(NOT backups EQUAL expected_hives)
  message(FATAL_ERROR "${backups} hive(s) replaced, not ${expected_hives}")
endif()
foreach(pending state.ini journal.ini)
  if(EXISTS "${root}/.hivelet-state/${pending}")
    message(FATAL_ERROR "${pending} is left behind: a replacement is still pending")
  endif()
endforeach()
message("/Scan wrote:\n${result}/Silent replaced ${backups} hives at once")
file(REMOVE_RECURSE "${WORK}")
