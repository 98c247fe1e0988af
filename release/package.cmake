# The release: headview.asi, headview-probe.exe and the players' text files
# with Windows line ends in OUT_DIR, zipped in a fixed order with the
# commit's time, and SHA256SUMS for the zip and each file in it. The same
# commit gives the same bytes, wherever it is built.
#   cmake -DSOURCE_DIR=... -DOUT_DIR=... -DASI=... -DPROBE=... -DVERSION=... -P package.cmake
cmake_minimum_required(VERSION 3.20)

execute_process(COMMAND git log -1 --format=%ci WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE mtime
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT mtime)
    set(mtime "2026-01-01 00:00:00 +0000")  # not a git checkout: a fixed time all the same
endif()

set(zip headview-${VERSION}.zip)
set(texts headview.ini README.txt CHANGES.txt)
set(files headview.asi headview-probe.exe ${texts} LICENSE.txt)

file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
file(COPY_FILE ${ASI} ${OUT_DIR}/headview.asi)
file(COPY_FILE ${PROBE} ${OUT_DIR}/headview-probe.exe)
# CR LF, as Windows editors save: the repository keeps its own line ends.
foreach(text IN LISTS texts ITEMS LICENSE.txt)
    set(from ${SOURCE_DIR}/release/${text})
    if(text STREQUAL "LICENSE.txt")
        set(from ${SOURCE_DIR}/LICENSE)
    endif()
    file(READ ${from} content)
    string(REPLACE "\r\n" "\n" content "${content}")
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE ${OUT_DIR}/${text} "${content}")
endforeach()
foreach(file IN LISTS files)
    file(CHMOD ${OUT_DIR}/${file} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endforeach()

# The zip's entries carry the commit's time, in UTC, and the order above,
# and nothing of the files' other times or owners (-X).
execute_process(COMMAND touch -d ${mtime} -- ${files} WORKING_DIRECTORY ${OUT_DIR} RESULT_VARIABLE failed)
if(NOT failed)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -q -X -D ${zip} -- ${files}
                    WORKING_DIRECTORY ${OUT_DIR} RESULT_VARIABLE failed)
endif()
if(failed)
    message(FATAL_ERROR "could not make ${zip}")
endif()

set(sums "")
foreach(file IN ITEMS ${zip} ${files})
    file(SHA256 ${OUT_DIR}/${file} hash)
    string(APPEND sums "${hash}  ${file}\n")
endforeach()
file(WRITE ${OUT_DIR}/SHA256SUMS "${sums}")
message(STATUS "Release ${OUT_DIR}/${zip}, SHA256SUMS beside it")
