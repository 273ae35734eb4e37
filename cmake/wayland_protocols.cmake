# The Wayland protocols the saver and the test tools speak beyond the core one: wayland-scanner
# turns each description in shell/wayland/protocols into a client header and its interface code
# at build time, into the build tree, and they make one static library, vorlip_wayland_protocols.
# C++ code includes a header as `#include "NAME-client-protocol.h"`.

set(VORLIP_WAYLAND_PROTOCOL_DIR ${CMAKE_SOURCE_DIR}/shell/wayland/protocols)
set(VORLIP_WAYLAND_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated/wayland)
file(MAKE_DIRECTORY ${VORLIP_WAYLAND_GENERATED_DIR})

# Adds the code generated from protocols/NAME.xml to `target`.
function(vorlip_wayland_protocol target name)
  set(xml ${VORLIP_WAYLAND_PROTOCOL_DIR}/${name}.xml)
  set(header ${VORLIP_WAYLAND_GENERATED_DIR}/${name}-client-protocol.h)
  set(code ${VORLIP_WAYLAND_GENERATED_DIR}/${name}-protocol.c)
  add_custom_command(OUTPUT ${header}
    COMMAND ${VORLIP_WAYLAND_SCANNER} client-header ${xml} ${header}.c.h
    COMMAND ${CMAKE_COMMAND} -DIN=${header}.c.h -DOUT=${header}
      -P ${CMAKE_SOURCE_DIR}/cmake/wayland_cxx_header.cmake
    DEPENDS ${xml} ${CMAKE_SOURCE_DIR}/cmake/wayland_cxx_header.cmake
    COMMENT "wayland-scanner: ${name}-client-protocol.h" VERBATIM)
  add_custom_command(OUTPUT ${code}
    COMMAND ${VORLIP_WAYLAND_SCANNER} private-code ${xml} ${code}
    DEPENDS ${xml}
    COMMENT "wayland-scanner: ${name}-protocol.c" VERBATIM)
  target_sources(${target} PRIVATE ${header} ${code})
endfunction()

add_library(vorlip_wayland_protocols STATIC)
foreach(protocol wlr-layer-shell-unstable-v1 wlr-screencopy-unstable-v1
    wlr-virtual-pointer-unstable-v1 xdg-output-unstable-v1 xdg-shell viewporter
    fractional-scale-v1 ext-idle-notify-v1 kde-idle kde-fake-input)
  vorlip_wayland_protocol(vorlip_wayland_protocols ${protocol})
endforeach()
target_include_directories(vorlip_wayland_protocols PUBLIC ${VORLIP_WAYLAND_GENERATED_DIR})
target_link_libraries(vorlip_wayland_protocols PUBLIC PkgConfig::WAYLAND_CLIENT)
