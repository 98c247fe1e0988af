# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 toolchain. The
# posix threading flavour by default (GoogleTest needs std::mutex); the
# shipped binaries use the win32 flavour (mingw-w64-x86_64-win32.cmake),
# which links no winpthreads into them.
if(NOT DEFINED HEADVIEW_MINGW_FLAVOUR)
    set(HEADVIEW_MINGW_FLAVOUR posix)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-${HEADVIEW_MINGW_FLAVOUR})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${HEADVIEW_MINGW_FLAVOUR})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
find_program(CMAKE_DLLTOOL ${TOOLCHAIN_PREFIX}-dlltool REQUIRED)
find_program(CMAKE_OBJDUMP ${TOOLCHAIN_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Windows binaries run here under Wine.
find_program(WINE_PROGRAM wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
