# Install layout of a Debian program, and one-line install helpers.
#
#   programs                     <prefix>/bin                          RUNPATH $ORIGIN/../lib/<multiarch>/talvenox
#   libraries, engine, helpers   <prefix>/lib/<multiarch>/talvenox     RUNPATH $ORIGIN
#   plug-ins                     <prefix>/lib/<multiarch>/talvenox/DIR RUNPATH $ORIGIN:$ORIGIN/..
#   sounds, help, images, prints <prefix>/share/talvenox
#
# Every piece belongs to one package (install component):
#   station  talvenox         the station and everything it loads
#   reader   talvenox-reader  the reader stack, its udev rule and reader commands
#   plexar   plexar           Plexar's library, header and pkg-config file

# Debian keeps libraries in lib/<multiarch> whatever the prefix; GNUInstallDirs
# would choose plain "lib" for any prefix but /usr.
if(CMAKE_LIBRARY_ARCHITECTURE AND (NOT DEFINED CMAKE_INSTALL_LIBDIR OR CMAKE_INSTALL_LIBDIR STREQUAL "lib"))
  set(CMAKE_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}" CACHE PATH "Object code libraries" FORCE)
endif()
include(GNUInstallDirs)

set(TALVENOX_INSTALL_LIBDIR "${CMAKE_INSTALL_LIBDIR}/talvenox")
set(TALVENOX_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/talvenox")
# From the program folder to the library folder, so an installed tree can be moved.
file(RELATIVE_PATH TALVENOX_BIN_TO_LIBDIR "/${CMAKE_INSTALL_BINDIR}" "/${TALVENOX_INSTALL_LIBDIR}")
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME station)

# Pieces that name no package belong to the station's.
macro(_talvenox_station_by_default)
  if(NOT I_COMPONENT)
    set(I_COMPONENT station)
  endif()
endmacro()

# talvenox_install_program(target [COMPONENT c] [SUMMARY text]): a command in
# bin/ with its manual page: packaging/man/<target>.1 when written, else a short
# one made from SUMMARY.
function(talvenox_install_program target)
  cmake_parse_arguments(I "" "COMPONENT;SUMMARY" "" ${ARGN})
  _talvenox_station_by_default()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${TALVENOX_BIN_TO_LIBDIR}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${I_COMPONENT})

  set(page ${PROJECT_SOURCE_DIR}/packaging/man/${target}.1)
  if(NOT EXISTS ${page})
    if(NOT I_SUMMARY)
      set(I_SUMMARY "a command of the Talvenox time-clock station")
    endif()
    string(TOUPPER ${target} title)
    string(REPLACE "-" "\\-" name ${target})
    set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
    file(WRITE ${page} ".TH ${title} 1 \"\" \"Talvenox\" \"User Commands\"\n.SH NAME\n${name} \\- ${I_SUMMARY}\n"
      ".SH SYNOPSIS\n.B ${name}\n.RI [ arguments ]\n.SH DESCRIPTION\n.B ${name}\nis ${I_SUMMARY}.\n"
      ".SH SEE ALSO\n.BR talvenox (1)\n")
  endif()
  set(gz ${CMAKE_CURRENT_BINARY_DIR}/${target}.1.gz)
  add_custom_command(OUTPUT ${gz} COMMAND gzip -9nc ${page} > ${gz} DEPENDS ${page} VERBATIM)
  add_custom_target(${target}_manpage ALL DEPENDS ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${I_COMPONENT})
endfunction()

# talvenox_install_library(target [COMPONENT c] [HEADERS dir]): a library (or a
# program that is not a command, such as a helper process) in the library
# folder; HEADERS installs a public header folder into include/.
function(talvenox_install_library target)
  cmake_parse_arguments(I "" "COMPONENT;HEADERS" "" ${ARGN})
  _talvenox_station_by_default()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target}
    LIBRARY DESTINATION ${TALVENOX_INSTALL_LIBDIR} COMPONENT ${I_COMPONENT}
    RUNTIME DESTINATION ${TALVENOX_INSTALL_LIBDIR} COMPONENT ${I_COMPONENT})
  if(I_HEADERS)
    install(DIRECTORY ${I_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT ${I_COMPONENT})
  endif()
endfunction()

# talvenox_install_plugin(target FOLDER dir [COMPONENT c]): a plug-in in a
# folder below the library folder; it finds the libraries one level up.
function(talvenox_install_plugin target)
  cmake_parse_arguments(I "" "COMPONENT;FOLDER" "" ${ARGN})
  _talvenox_station_by_default()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN:$ORIGIN/..")
  install(TARGETS ${target} LIBRARY DESTINATION ${TALVENOX_INSTALL_LIBDIR}/${I_FOLDER} COMPONENT ${I_COMPONENT})
endfunction()

# talvenox_install_data(FILES... [FOLDER dir] [COMPONENT c]): data files in share/talvenox/.
function(talvenox_install_data)
  cmake_parse_arguments(I "" "COMPONENT;FOLDER" "FILES;DIRECTORY" ${ARGN})
  _talvenox_station_by_default()
  set(dest ${TALVENOX_INSTALL_DATADIR})
  if(I_FOLDER)
    set(dest ${dest}/${I_FOLDER})
  endif()
  if(I_FILES)
    install(FILES ${I_FILES} DESTINATION ${dest} COMPONENT ${I_COMPONENT})
  endif()
  if(I_DIRECTORY)
    install(DIRECTORY ${I_DIRECTORY} DESTINATION ${dest} COMPONENT ${I_COMPONENT})
  endif()
endfunction()
