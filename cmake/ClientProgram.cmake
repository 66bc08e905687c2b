# Helpers that give every target of the client the same build rules.

# Our own warnings as errors, and the repository root on the include path so
# that code includes shared headers as "core/...".
function(client_target_defaults target)
  target_compile_options(${target} PRIVATE ${CLIENT_WARNINGS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# client_add_program(<name> DESCRIPTION <text> [GUI] SOURCES <files...>)
#
# A Windows executable with a version resource. <name> is the file name
# without ".exe"; GUI programs get the Windows subsystem, the others the
# console subsystem. Both use the Unicode entry points (wWinMain / wmain).
function(client_add_program name)
  cmake_parse_arguments(ARG "GUI" "DESCRIPTION" "SOURCES" ${ARGN})
  if(NOT ARG_DESCRIPTION)
    message(FATAL_ERROR "client_add_program(${name}): DESCRIPTION is required")
  endif()

  set(CLIENT_FILE_NAME "${name}.exe")
  set(CLIENT_INTERNAL_NAME "${name}")
  set(CLIENT_FILE_DESCRIPTION "${ARG_DESCRIPTION}")
  string(REPLACE "." "," CLIENT_VERSION_COMMAS "${PROJECT_VERSION}")
  set(version_rc "${CMAKE_CURRENT_BINARY_DIR}/${name}_version.rc")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${version_rc} @ONLY)

  add_executable(${name} ${ARG_SOURCES} ${version_rc})
  client_target_defaults(${name})
  target_link_options(${name} PRIVATE -municode)
  if(ARG_GUI)
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
endfunction()
