# Two builds of one commit give the same bytes, wherever and whenever they run.
#
# The build's time is SOURCE_DATE_EPOCH: the caller's if set, else the time of
# the commit checked out, else (a source tree outside git) the time of this
# project's top-level CMakeLists.txt. It gives __DATE__ and __TIME__ ("Built
# at"), as GCC's own SOURCE_DATE_EPOCH does, and CPack's time stamps. The
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

# A new commit or checkout configures again: the reflog of HEAD records each.
execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} rev-parse --path-format=absolute --git-path logs/HEAD
                OUTPUT_VARIABLE _head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(_head_log AND EXISTS "${_head_log}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_head_log}")
endif()

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

# The three times in the compiler's own forms, in UTC (string(TIMESTAMP)
# formats SOURCE_DATE_EPOCH's time), the day of the month padded with a space.
function(_skelv_format out epoch format)
  set(caller "$ENV{SOURCE_DATE_EPOCH}")
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
  string(TIMESTAMP text "${format}" UTC)
  set(ENV{SOURCE_DATE_EPOCH} "${caller}")
  string(REGEX REPLACE "^(... ...|...) 0" "\\1  " text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
_skelv_format(_date ${SKELV_SOURCE_DATE_EPOCH} "%b %d %Y")
_skelv_format(_time ${SKELV_SOURCE_DATE_EPOCH} "%H:%M:%S")
_skelv_format(_timestamp ${_modified} "%a %b %d %H:%M:%S %Y")

# Only the program's entry names them. As compile definitions they rebuild it
# whenever they change.
set_source_files_properties(${_main_source} TARGET_DIRECTORY skelv PROPERTIES
  COMPILE_DEFINITIONS "__DATE__=\"${_date}\";__TIME__=\"${_time}\";__TIMESTAMP__=\"${_timestamp}\""
  COMPILE_OPTIONS -Wno-builtin-macro-redefined)

# CPack reads this in its own process, before it writes a package.
file(WRITE ${CMAKE_BINARY_DIR}/CPackSourceDate.cmake
     "set(ENV{SOURCE_DATE_EPOCH} ${SKELV_SOURCE_DATE_EPOCH})\n")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackSourceDate.cmake)
