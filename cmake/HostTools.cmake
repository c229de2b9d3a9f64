# A cross build cannot run the programs it compiles, so the data generators in
# tools/ are built with the build host's compiler in a nested build
# (host-tools/ inside this build folder) and their output is copied next to
# the executable. Defines skelv_assets, like tools/ does in a native build.
include(ExternalProject)

set(_host_dir ${CMAKE_BINARY_DIR}/host-tools)
list(TRANSFORM SKELV_DATA_FILES PREPEND ${_host_dir}/ OUTPUT_VARIABLE _host_files)

ExternalProject_Add(skelv_host_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/cmake/host-tools
  BINARY_DIR ${_host_dir}
  # NOTE: no toolchain file and no compiler passed on: the nested build finds
  # the host's own cc and c++.
  CMAKE_ARGS -DSKELV_SOURCE_DIR=${CMAKE_SOURCE_DIR} -DCMAKE_BUILD_TYPE=Release
  INSTALL_COMMAND ""
  # Rebuild whenever the outer build runs, so edits in tools/ are picked up.
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${_host_files} ${_host_dir}/icons/skelv.ico)
# The Windows program's icon, drawn by the host tools too.
set(SKELV_ICON_DIR ${_host_dir}/icons)

add_custom_target(skelv_assets ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_host_files} ${CMAKE_BINARY_DIR}
  DEPENDS skelv_host_tools
  COMMENT "Copying the data files generated on the build host")
