# The program icon (icon resource 128) that every client program carries.
# cmake/make_program_icon.py draws it at build time; a program gets it with
#
#   client_add_program_icon(<target>)
#
# which adds a small resource script with "128 ICON" to the program.

if(WIN32)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)

  set(CLIENT_PROGRAM_ICON_DIR ${CMAKE_BINARY_DIR}/program_icon)
  set(CLIENT_PROGRAM_ICON_FILE ${CLIENT_PROGRAM_ICON_DIR}/program_icon.ico)
  set(CLIENT_PROGRAM_ICON_RC ${CLIENT_PROGRAM_ICON_DIR}/program_icon.rc)
  set(CLIENT_PROGRAM_ICON_IDS_HEADER ${PROJECT_SOURCE_DIR}/core/file_not_trusted_dialog_ids.h)

  add_custom_command(
    OUTPUT ${CLIENT_PROGRAM_ICON_FILE}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/make_program_icon.py
            ${CLIENT_PROGRAM_ICON_FILE}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/make_program_icon.py
    COMMENT "Drawing the program icon"
    VERBATIM)
  add_custom_target(client_program_icon DEPENDS ${CLIENT_PROGRAM_ICON_FILE})
  configure_file(${PROJECT_SOURCE_DIR}/core/program_icon.rc.in ${CLIENT_PROGRAM_ICON_RC} @ONLY)
endif()

function(client_add_program_icon target)
  target_sources(${target} PRIVATE ${CLIENT_PROGRAM_ICON_RC})
  set_source_files_properties(${CLIENT_PROGRAM_ICON_RC} TARGET_DIRECTORY ${target}
                              PROPERTIES OBJECT_DEPENDS ${CLIENT_PROGRAM_ICON_FILE})
  add_dependencies(${target} client_program_icon)
endfunction()
