# hivelet_add_windows_resources(TARGET)
#   Embeds the application manifest (elevation, common controls 6, assembly identity) and a
#   version resource in a Windows executable. Does nothing on other systems.
#
# The manifest names the processor architecture of the build: "x86" for the i686 build that is
# shipped, "amd64" for the x86_64 build, whose process could not load x86 assemblies.

if(WIN32)
  enable_language(RC)
endif()

set(HIVELET_RESOURCE_TEMPLATES "${CMAKE_CURRENT_LIST_DIR}")

function(hivelet_add_windows_resources target)
  if(NOT WIN32)
    return()
  endif()
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    set(HIVELET_MANIFEST_ARCH amd64)
  else()
    set(HIVELET_MANIFEST_ARCH x86)
  endif()

  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  set(HIVELET_RC_TARGET ${output_name})
  set(HIVELET_RC_FILENAME "${output_name}${CMAKE_EXECUTABLE_SUFFIX}")

  # Four numbers, as the version resource wants them; parts the project leaves out are 0.
  set(numbers "")
  foreach(part IN ITEMS MAJOR MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
      list(APPEND numbers 0)
    else()
      list(APPEND numbers ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  list(JOIN numbers "," HIVELET_RC_VERSION_COMMAS)
  list(JOIN numbers "." HIVELET_RC_VERSION_DOTS)

  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}-resources")
  set(HIVELET_RC_MANIFEST "${out}/${output_name}.manifest")
  configure_file("${HIVELET_RESOURCE_TEMPLATES}/Hivelet.manifest.in" "${HIVELET_RC_MANIFEST}" @ONLY)
  configure_file("${HIVELET_RESOURCE_TEMPLATES}/Hivelet.rc.in" "${out}/${output_name}.rc" @ONLY)
  target_sources(${target} PRIVATE "${out}/${output_name}.rc")
  # windres reads the manifest itself; rebuild the resources when it changes.
  set_source_files_properties("${out}/${output_name}.rc" TARGET_DIRECTORY ${target}
                              PROPERTIES OBJECT_DEPENDS "${HIVELET_RC_MANIFEST}")
endfunction()
