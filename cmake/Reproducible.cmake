# Two builds of one commit give the same bytes, wherever and whenever they run.
#
# The build's time is SOURCE_DATE_EPOCH: the caller's if set, else the time of
# the commit checked out, else (a source tree outside git) the time of this
# project's top-level CMakeLists.txt. The compiler sees it for __DATE__ and
# __TIME__ ("Built at"), CPack for the time stamps in the packages. The
# program's "Last modified" line is the time of the last commit that changed
# WinMain.cpp (outside git its file time, no later than the build's), in the
# compiler's own __TIMESTAMP__ form, in UTC. The source and build folders are
# mapped onto fixed paths in everything the compiler writes.
set(_main_source System/Win32/WinMain.cpp)

function(_skelv_git_time out)
  execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct ${ARGN}
                  OUTPUT_VARIABLE time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT time MATCHES "^[0-9]+$")
    set(time "")
  endif()
  set(${out} ${time} PARENT_SCOPE)
endfunction()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(SKELV_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  _skelv_git_time(SKELV_SOURCE_DATE_EPOCH)
  if(NOT SKELV_SOURCE_DATE_EPOCH)
    file(TIMESTAMP ${CMAKE_SOURCE_DIR}/CMakeLists.txt SKELV_SOURCE_DATE_EPOCH %s UTC)
  endif()
endif()
if(NOT SKELV_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: '${SKELV_SOURCE_DATE_EPOCH}'")
endif()

_skelv_git_time(_modified -- ${_main_source})
if(NOT _modified)
  file(TIMESTAMP ${CMAKE_SOURCE_DIR}/${_main_source} _modified %s UTC)
  if(_modified GREATER SKELV_SOURCE_DATE_EPOCH)
    set(_modified ${SKELV_SOURCE_DATE_EPOCH})
  endif()
endif()
# What the tests expect of the program's first log lines.
set(SKELV_SOURCE_DATE_EPOCH ${SKELV_SOURCE_DATE_EPOCH} CACHE INTERNAL "the build's time")
set(SKELV_MAIN_SOURCE_TIME ${_modified} CACHE INTERNAL "WinMain.cpp's last modification")

# string(TIMESTAMP) formats SOURCE_DATE_EPOCH's time: __TIMESTAMP__'s form,
# the day of the month padded with a space.
set(_caller_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${_modified})
string(TIMESTAMP _timestamp "%a %b %d %H:%M:%S %Y" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${_caller_epoch}")
string(REGEX REPLACE "^(... ...) 0" "\\1  " _timestamp "${_timestamp}")

# Only the program's entry names the build's time and its source's.
set_target_properties(skelv PROPERTIES CXX_COMPILER_LAUNCHER
  "${CMAKE_COMMAND};-E;env;SOURCE_DATE_EPOCH=${SKELV_SOURCE_DATE_EPOCH}")
set_source_files_properties(${_main_source} TARGET_DIRECTORY skelv PROPERTIES
  COMPILE_DEFINITIONS "__TIMESTAMP__=\"${_timestamp}\""
  COMPILE_OPTIONS -Wno-builtin-macro-redefined)

# CPack reads this in its own process, before it writes a package.
file(WRITE ${CMAKE_BINARY_DIR}/CPackSourceDate.cmake
     "set(ENV{SOURCE_DATE_EPOCH} ${SKELV_SOURCE_DATE_EPOCH})\n")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackSourceDate.cmake)
