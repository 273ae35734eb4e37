# The install tree, as `cmake --install` makes it under DESTDIR for a /usr prefix: exactly the
# listed files, the hack a link to the program that runs from there.
#   cmake -DBUILD=<build dir> -DOUT=<scratch dir> -P install_tree.cmake
set(expected
  usr/bin/vorlip
  usr/lib/systemd/user/vorlip-idle.service
  usr/lib/vorlip/vorlip-bus.so
  usr/libexec/xscreensaver/vorlip
  usr/share/applications/vorlip.desktop
  usr/share/doc/vorlip/README.md
  usr/share/doc/vorlip/changelog.gz
  usr/share/doc/vorlip/copyright
  usr/share/lintian/overrides/vorlip
  usr/share/man/man6/vorlip.6.gz
  usr/share/xscreensaver/config/vorlip.xml)

file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${OUT}
    ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE ${OUT} ${OUT}/*)
list(SORT found)
if(NOT found STREQUAL expected)
  string(REPLACE ";" "\n  " found_text "${found}")
  message(FATAL_ERROR "the install tree holds\n  ${found_text}")
endif()

file(READ_SYMLINK ${OUT}/usr/libexec/xscreensaver/vorlip target)
if(NOT target STREQUAL "../../bin/vorlip")
  message(FATAL_ERROR "the hack links to ${target}")
endif()
# KWin compares the entry's program with the running one's own path.
file(STRINGS ${OUT}/usr/share/applications/vorlip.desktop exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=/usr/bin/vorlip /s")
  message(FATAL_ERROR "the desktop entry runs ${exec}")
endif()
execute_process(COMMAND ${OUT}/usr/libexec/xscreensaver/vorlip --help
  RESULT_VARIABLE status OUTPUT_VARIABLE usage)
if(NOT status EQUAL 0 OR NOT usage MATCHES "--root")
  message(FATAL_ERROR "the installed hack does not run: ${status}")
endif()
# The installed program finds its session-bus module: without a bus to reach, it says so, not
# that the module is missing.
execute_process(COMMAND ${CMAKE_COMMAND} -E env DBUS_SESSION_BUS_ADDRESS=unix:path=${OUT}/no-bus
    ${OUT}/usr/bin/vorlip --allow-desktop-picture
  RESULT_VARIABLE status ERROR_VARIABLE said)
if(NOT said MATCHES "no session bus")
  message(FATAL_ERROR "the installed program does not load its bus module: ${said}")
endif()
file(STRINGS ${OUT}/usr/lib/systemd/user/vorlip-idle.service exec REGEX "^ExecStart=")
if(NOT exec STREQUAL "ExecStart=/usr/bin/vorlip --idle 300")
  message(FATAL_ERROR "the idle unit starts ${exec}")
endif()
file(REMOVE_RECURSE ${OUT})
