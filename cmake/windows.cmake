# The Windows build's own set-up, included from the top-level CMakeLists.txt.

# Debian's header-only libraries (CLI11, nlohmann-json, stb), copied into a folder of the build so
# that nothing else of the host's include path reaches the cross compiler.
set(TAVIMET_CROSS_INCLUDE ${CMAKE_BINARY_DIR}/cross-include)
foreach(_dir CLI nlohmann stb)
  if(NOT EXISTS /usr/include/${_dir})
    message(FATAL_ERROR "/usr/include/${_dir} is missing: run scripts/deps")
  endif()
  file(COPY /usr/include/${_dir} DESTINATION ${TAVIMET_CROSS_INCLUDE})
endforeach()
include_directories(SYSTEM ${TAVIMET_CROSS_INCLUDE})

# GoogleTest from the sources Debian ships with libgtest-dev.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Windows 7 and later: SetFilePointerEx, GetFileSizeEx and the registry views.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
