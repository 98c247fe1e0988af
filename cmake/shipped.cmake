# The shipped binaries, headview.asi and headview-probe.exe, are built apart:
# with the win32-flavour compiler and stripped, in a build of their own below
# this one, then copied next to the tests, which load those very files.
include(ExternalProject)
set(HEADVIEW_ASI ${CMAKE_BINARY_DIR}/bin/headview.asi)
set(HEADVIEW_PROBE ${CMAKE_BINARY_DIR}/bin/headview-probe.exe)
ExternalProject_Add(
    shipped
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/shipped
    CMAKE_GENERATOR ${CMAKE_GENERATOR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64-win32.cmake
               -DCMAKE_BUILD_TYPE=Release -DHEADVIEW_SHIPPED_ONLY=ON
    BUILD_ALWAYS ON
    INSTALL_COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/bin/headview.asi <BINARY_DIR>/bin/headview-probe.exe
                    ${CMAKE_BINARY_DIR}/bin
    BUILD_BYPRODUCTS ${HEADVIEW_ASI} ${HEADVIEW_PROBE})
# The names the rest of the build and the scripts use.
add_custom_target(headview DEPENDS shipped)
add_custom_target(headview-probe DEPENDS shipped)
