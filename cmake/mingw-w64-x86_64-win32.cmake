# The shipped binaries: Debian's MinGW-w64 in its win32 threading flavour,
# whose runtime holds no winpthreads (no thread-suspension or vectored
# exception imports in a game plugin).
set(HEADVIEW_MINGW_FLAVOUR win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)
