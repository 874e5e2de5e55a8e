# Cross-built programs run under Wine: ctest, test discovery and build steps
# that run a program of the build go through wine-run.sh.
set(ORVA_WINDOWS_DLL_DIRS "" CACHE STRING "Folders holding the DLLs the Windows programs load")
set(ORVA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "The Wine prefix of the Windows build")
set(ORVA_WINEPATH "")
foreach(pasta ${ORVA_WINDOWS_DLL_DIRS})
  string(REPLACE "/" "\\\\" pasta_windows "Z:${pasta}")
  string(APPEND ORVA_WINEPATH "${pasta_windows};")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
