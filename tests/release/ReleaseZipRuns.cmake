# The release as users get it: scripts/package builds both zips and SHA256SUMS, each zip holds
# what a user needs, and the x86_64 Hivelet.exe unpacked into a fresh folder of the Wine prefix
# runs /Scan on the demo image from there, reading its settings and languages beside itself.
#
#   cmake -DSOURCE=checkout "-DEMULATOR=wine-run" -DNATIVE_GENERATOR=hivelet-demo-image
#         -DWORK=DIR -P ReleaseZipRuns.cmake

include("${CMAKE_CURRENT_LIST_DIR}/../ScriptArguments.cmake")
hivelet_script_arguments(REQUIRED SOURCE EMULATOR WORK BUILT NATIVE_GENERATOR)
# A guard against a program that hangs; not a measure of speed.
set(guard_seconds 300)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND bash "${SOURCE}/scripts/package" --out "${WORK}/dist"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out TIMEOUT 1500)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "scripts/package failed (${rc}):\n${out}")
endif()
execute_process(COMMAND sha256sum -c SHA256SUMS WORKING_DIRECTORY "${WORK}/dist"
                RESULT_VARIABLE rc OUTPUT_VARIABLE sums ERROR_VARIABLE sums)
if(NOT rc EQUAL 0 OR NOT sums MATCHES "win32.zip: OK" OR NOT sums MATCHES "win64.zip: OK")
  message(FATAL_ERROR "SHA256SUMS does not hold both zips:\n${sums}")
endif()

file(GLOB languages RELATIVE "${SOURCE}/Languages" "${SOURCE}/Languages/DLan_*.ini")
list(LENGTH languages language_count)
if(language_count LESS 2)
  message(FATAL_ERROR "no language files in ${SOURCE}/Languages")
endif()
foreach(arch win32 win64)
  file(GLOB zip "${WORK}/dist/Hivelet-*-${arch}.zip")
  list(LENGTH zip found)
  if(NOT found EQUAL 1)
    message(FATAL_ERROR "expected one ${arch} zip in ${WORK}/dist, found: ${zip}")
  endif()
  get_filename_component(folder "${zip}" NAME)
  string(REGEX REPLACE "\\.zip$" "" folder "${folder}")
  execute_process(COMMAND unzip -Z1 "${zip}" RESULT_VARIABLE rc OUTPUT_VARIABLE listing)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "unzip cannot list ${zip}")
  endif()
  set(expected Hivelet.exe README.txt licenses/mingw-w64.txt licenses/gcc-runtime.txt
               licenses/GPL-3.txt)
  foreach(language IN LISTS languages)
    list(APPEND expected "Languages/${language}")
  endforeach()
  foreach(entry IN LISTS expected)
    string(FIND "${listing}" "${folder}/${entry}\n" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${zip} lacks ${folder}/${entry}:\n${listing}")
    endif()
  endforeach()
  set(zip_${arch} "${zip}")
  set(folder_${arch} "${folder}")
endforeach()

# A fresh folder on drive C of the Wine prefix, as a user unpacks the download.
if(DEFINED ENV{HIVELET_WINEPREFIX})
  set(prefix "$ENV{HIVELET_WINEPREFIX}")
elseif(DEFINED ENV{WINEPREFIX})
  set(prefix "$ENV{WINEPREFIX}")
else()
  set(prefix "$ENV{HOME}/.cache/hivelet/wine64")
endif()
set(unpacked "${prefix}/drive_c/hivelet-release-test")
file(REMOVE_RECURSE "${unpacked}")
file(MAKE_DIRECTORY "${unpacked}")
execute_process(COMMAND unzip -q "${zip_win64}" -d "${unpacked}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${zip_win64} into ${unpacked}")
endif()
set(program_folder "${unpacked}/${folder_win64}")
# The language setting in another letter case than the file's name, as a user may type it.
file(WRITE "${program_folder}/options.ini" "[Options]\r\nLan=german\r\n")

execute_process(COMMAND "${NATIVE_GENERATOR}" "${WORK}/image"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out TIMEOUT ${guard_seconds})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the demo image generator failed (${rc}):\n${out}")
endif()
string(REPLACE "/" "\\" image "Z:${WORK}/image")

# Wine's file trace names every file the program opens: the language file must be among them.
execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEDEBUG=trace+file
                        ${EMULATOR} "${program_folder}/Hivelet.exe" --image "${image}" /Scan
                        "hivelet-scan.ini"
                RESULT_VARIABLE rc OUTPUT_VARIABLE stdout ERROR_VARIABLE trace
                TIMEOUT ${guard_seconds})
if(NOT rc EQUAL 0)
  string(REGEX MATCHALL "[^\n]*\n" lines "${trace}")
  list(FILTER lines EXCLUDE REGEX "^[0-9a-f]+:trace:")
  message(FATAL_ERROR "the unpacked Hivelet.exe failed or did not end (${rc}):\n${stdout}${lines}")
endif()

file(READ "${WORK}/image/C/Windows/hivelet-scan.ini" result)
if(NOT result MATCHES "Current Size=[0-9,]+ KB" OR NOT result MATCHES "Compact Percent=[0-9.]+%")
  message(FATAL_ERROR "the scan result holds no sizes:\n${result}")
endif()
file(READ "${program_folder}/options.ini" options)
# Read at the start, written back in full at the close.
if(NOT options MATCHES "Lan=german" OR NOT options MATCHES "IsShowLine=")
  message(FATAL_ERROR "the settings beside the unpacked program were not used:\n${options}")
endif()
string(TOLOWER "${trace}" trace)
string(TOLOWER "${folder_win64}" lower_folder)
string(REPLACE "." "\\." lower_folder "${lower_folder}")
# The trace escapes each backslash of a path.
set(separator "(\\\\|/)+")
if(NOT trace MATCHES
   "hivelet-release-test${separator}${lower_folder}${separator}languages${separator}dlan_german\\.ini")
  message(FATAL_ERROR "the unpacked program did not read Languages\\DLan_German.ini beside it")
endif()
file(REMOVE_RECURSE "${unpacked}")
message("release zips: ${zip_win32}, ${zip_win64}; the win64 one ran from ${program_folder}")
