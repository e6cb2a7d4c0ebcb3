# Packs the release: cmake -DDLL=<tested XVF_Aspect.dll> -DVERSION=1.02
#   -DREADME=<res/README.txt.in> -DOBJCOPY=<objcopy> -DOUT=<folder> -P release_zip.cmake
# writes OUT/XVF_Aspect-VERSION-win32.zip (XVF_Aspect.dll stripped, README.txt,
# SHA256SUMS) and beside it XVF_Aspect.dll.debug, the symbols the stripped DLL
# links to. The same inputs give the same bytes: entry times are the commit's
# time (SOURCE_DATE_EPOCH when set), order and permissions are fixed.
cmake_minimum_required(VERSION 3.25)
foreach(argument DLL VERSION README OBJCOPY OUT)
  if(NOT DEFINED ${argument})
    message(FATAL_ERROR "release_zip.cmake: -D${argument}= is missing")
  endif()
endforeach()
if(NOT EXISTS "${DLL}")
  message(FATAL_ERROR "release_zip.cmake: ${DLL} does not exist; build and test the win32 tree first")
endif()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
  if(failed)
    string(JOIN " " command ${ARGN})
    message(FATAL_ERROR "failed: ${command}")
  endif()
endfunction()

set(stage "${OUT}/XVF_Aspect-${VERSION}-win32")
set(zip "${stage}.zip")
set(symbols "${OUT}/XVF_Aspect.dll.debug")
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}")
file(REMOVE "${zip}" "${symbols}")

# The symbols, then a stripped copy of the tested DLL that names them. objcopy
# writes the time into a PE header unless SOURCE_DATE_EPOCH says otherwise:
# 0, as the linker wrote it.
set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 "${OBJCOPY}")
run(${objcopy} --only-keep-debug "${DLL}" "${symbols}")
run(${objcopy} --strip-all "--add-gnu-debuglink=${symbols}" "${DLL}" "${stage}/XVF_Aspect.dll")

# Stripping leaves the code as it was tested.
run(${objcopy} -O binary --only-section=.text "${DLL}" "${stage}.tested-text")
run(${objcopy} -O binary --only-section=.text "${stage}/XVF_Aspect.dll" "${stage}.shipped-text")
file(SHA256 "${stage}.tested-text" tested_code)
file(SHA256 "${stage}.shipped-text" shipped_code)
file(REMOVE "${stage}.tested-text" "${stage}.shipped-text")
if(NOT tested_code STREQUAL shipped_code)
  message(FATAL_ERROR "the stripped DLL's .text differs from the tested DLL's")
endif()
file(SIZE "${stage}/XVF_Aspect.dll" dll_size)

# The install text: UTF-8 with a byte order mark (Notepad from Windows XP on
# shows it right whatever the system's code page, Cyrillic included), CRLF.
file(READ "${README}" text)
string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 utf8_bom)
file(WRITE "${stage}/README.txt" "${utf8_bom}${text}")

set(sums "")
foreach(name XVF_Aspect.dll README.txt)
  file(SHA256 "${stage}/${name}" hash)
  string(APPEND sums "${hash}  ${name}\r\n")
endforeach()
file(WRITE "${stage}/SHA256SUMS" "${sums}")

# Fixed entry times, order and permissions; no extra attributes (owner ids).
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${CMAKE_CURRENT_LIST_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT epoch MATCHES "^[0-9]+$")
    set(epoch 315532800)  # 1980-01-01, the earliest time a zip entry holds
  endif()
endif()
set(entries XVF_Aspect.dll README.txt SHA256SUMS)
foreach(name IN LISTS entries)
  file(CHMOD "${stage}/${name}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  run(touch -d "@${epoch}" "${stage}/${name}")
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -X -D -q -9 "${zip}" ${entries}
  WORKING_DIRECTORY "${stage}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "zip failed")
endif()
file(REMOVE_RECURSE "${stage}")

file(SIZE "${zip}" zip_size)
file(SHA256 "${zip}" zip_hash)
message(STATUS "${zip}: ${zip_size} bytes, sha256 ${zip_hash}")
message(STATUS "  XVF_Aspect.dll: ${dll_size} bytes; its symbols beside the zip: ${symbols}")
