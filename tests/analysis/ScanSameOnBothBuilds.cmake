# /Scan of one system image (or, with -DOPTION=--windows, one Windows installation that is not
# running) by the Windows program (under the emulator, Wine on Linux) and by the Linux program:
# both must write the same result file, apart from the time of the run.
#
#   cmake -DPROGRAM=Hivelet.exe "-DEMULATOR=wine-run" -DNATIVE_PROGRAM=hivelet
#         -DNATIVE_GENERATOR=hivelet-demo-image -DWORK=DIR [-DOPTION=--windows]
#         -P ScanSameOnBothBuilds.cmake
#
# The Linux programs come from the native build of the same checkout; without them the check is
# skipped (its output then starts with "SKIPPED:"). Each program gets a fresh copy of the demo
# image or installation, and the result file is named by a full path of the computer the program
# runs on, which neither build takes for a path of what it analyses.

include("${CMAKE_CURRENT_LIST_DIR}/../ScriptArguments.cmake")
hivelet_script_arguments(REQUIRED PROGRAM WORK BUILT NATIVE_PROGRAM NATIVE_GENERATOR)

if(NOT DEFINED OPTION)
  set(OPTION --image)
endif()
if(OPTION STREQUAL "--windows")
  set(generator_option --windows)
else()
  set(generator_option)
endif()

# A guard against a program that hangs (a message box nobody answers); not a measure of speed.
set(guard_seconds 300)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${NATIVE_GENERATOR}" ${generator_option} "${WORK}/image"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out TIMEOUT ${guard_seconds})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the demo image generator failed (${rc}):\n${out}")
endif()
foreach(build native windows)
  file(COPY "${WORK}/image/" DESTINATION "${WORK}/${build}")
endforeach()

# The image folder as Windows sees it under Wine: the root of the Linux file system is drive Z.
function(windows_path out path)
  string(REPLACE "/" "\\" p "${path}")
  set(${out} "Z:${p}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND "${NATIVE_PROGRAM}" ${OPTION} "${WORK}/native" /Scan
                        "${WORK}/native-result.ini"
                RESULT_VARIABLE rc OUTPUT_VARIABLE native_out ERROR_VARIABLE native_out
                TIMEOUT ${guard_seconds})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Linux program failed (${rc}):\n${native_out}")
endif()

windows_path(windows_image "${WORK}/windows")
windows_path(windows_result "${WORK}/windows-result.ini")
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" ${OPTION} "${windows_image}" /Scan
                        "${windows_result}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE windows_out ERROR_VARIABLE windows_out
                TIMEOUT ${guard_seconds})
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Windows program failed or did not end (${rc}):\n${windows_out}")
endif()

# Reads a result file as hexadecimal bytes (file(READ) as text would drop the carriage returns),
# without its last line, which must be the time of the run.
set(time_line_start "0d0a54696d653d") # CR LF "Time="
function(read_result out build)
  set(file "${WORK}/${build}-result.ini")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "the ${build} program wrote no result file")
  endif()
  file(READ "${file}" hex HEX)
  file(READ "${file}" text)
  string(FIND "${hex}" "${time_line_start}" at REVERSE)
  math(EXPR odd "${at} % 2")
  if(at LESS 0 OR odd)
    message(FATAL_ERROR "the ${build} result has no time of the run:\n${text}")
  endif()
  string(SUBSTRING "${hex}" ${at} -1 time_line)
  # Some text after "Time=", then the final CR LF and nothing else.
  if(NOT time_line MATCHES "^${time_line_start}([0-9a-f][0-9a-f])+0d0a$" OR
     time_line MATCHES "^${time_line_start}(..)*0a..")
    message(FATAL_ERROR "the ${build} result does not end with the time of the run:\n${text}")
  endif()
  string(SUBSTRING "${hex}" 0 ${at} hex)
  set(${out} "${hex}" PARENT_SCOPE)
  set(${out}_text "${text}" PARENT_SCOPE)
endfunction()

read_result(native native)
read_result(windows windows)
# Two runs that both failed would agree too: the analysis must have filled in every total, and
# the lines end in CR LF as on Windows.
if(NOT native_text MATCHES "^\\[Scan Result\\]\nCurrent Size=[0-9,]+ KB\nNew Size=[0-9,]+ KB\nSize Reduction=[0-9,]+ KB\nCompact Percent=[0-9]+\\.[0-9]%\nTime=" OR
   NOT native MATCHES "^5b5363616e20526573756c745d0d0a") # "[Scan Result]" CR LF
  message(FATAL_ERROR "the Linux result is not a complete analysis:\n${native_text}\n${native_out}")
endif()
if(NOT native STREQUAL windows)
  message(FATAL_ERROR "the results differ\nLinux:\n${native_text}\nWindows:\n${windows_text}")
endif()
message("both builds wrote:\n${native_text}")
file(REMOVE_RECURSE "${WORK}")
