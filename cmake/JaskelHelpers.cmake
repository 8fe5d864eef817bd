# Small helpers shared by the folders' CMake files.

# jk_portable_library(NAME SOURCES...) : a library of portable code (no Windows headers).
function(jk_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# jk_windows_library(NAME SOURCES...) : the Windows layer of a folder; only in the Windows tree.
function(jk_windows_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
