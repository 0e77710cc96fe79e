# The dependencies of a Mac build that links only the system's libraries. From Linux
# (scripts/macos-compile-check, scripts/macos-build), Debian's packages exist only for the host, so
# copies of their headers (CORVANE_DEPS_INCLUDE_DIR) stand in for them when compiling, and linking
# needs the two that are libraries built for the target: utf8proc from its source
# (CORVANE_UTF8PROC_SOURCE_DIR) and GoogleTest from the source Debian ships
# (CORVANE_GTEST_SOURCE_DIR, /usr/src/googletest). Neither changes how the project's own files are
# compiled, so the compile check's objects serve the build as they are. On a Mac,
# CORVANE_UTF8PROC_SOURCE_DIR alone builds utf8proc into the program instead of linking Homebrew's.

if(CORVANE_DEPS_INCLUDE_DIR)
  foreach(dep nlohmann_json::nlohmann_json PkgConfig::UTF8PROC GTest::gtest GTest::gtest_main GTest::gmock CLI11::CLI11)
    add_library(${dep} INTERFACE IMPORTED GLOBAL)
    set_target_properties(${dep} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${CORVANE_DEPS_INCLUDE_DIR})
  endforeach()
  # find_package(CLI11) in src/cli finds the stand-in above instead of the host's package.
  file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/cli11-config.cmake
       "# CLI11::CLI11 is defined by cmake/CorvaneMacDeps.cmake\n")
endif()

set(CORVANE_GTEST_SOURCE_DIR "" CACHE PATH "GoogleTest's source folder (googletest/, googlemock/), to link the tests for the Mac")

# Other people's code: compiled with its own defaults, never with the project's warnings.
if(CORVANE_UTF8PROC_SOURCE_DIR)
  if(NOT EXISTS ${CORVANE_UTF8PROC_SOURCE_DIR}/utf8proc.c)
    message(FATAL_ERROR "No utf8proc.c in CORVANE_UTF8PROC_SOURCE_DIR=${CORVANE_UTF8PROC_SOURCE_DIR}")
  endif()
  enable_language(C)
  add_library(corvane_dep_utf8proc STATIC ${CORVANE_UTF8PROC_SOURCE_DIR}/utf8proc.c)
  target_compile_options(corvane_dep_utf8proc PRIVATE -O2 -w)
  if(TARGET PkgConfig::UTF8PROC)
    # The stand-in keeps the header copy the compile check used.
    target_compile_definitions(corvane_dep_utf8proc PRIVATE UTF8PROC_STATIC)
    set_property(TARGET PkgConfig::UTF8PROC APPEND PROPERTY INTERFACE_LINK_LIBRARIES corvane_dep_utf8proc)
  else()
    target_compile_definitions(corvane_dep_utf8proc PUBLIC UTF8PROC_STATIC)
    target_include_directories(corvane_dep_utf8proc PUBLIC ${CORVANE_UTF8PROC_SOURCE_DIR})
    add_library(PkgConfig::UTF8PROC ALIAS corvane_dep_utf8proc)
  endif()
endif()

if(CORVANE_GTEST_SOURCE_DIR AND CORVANE_DEPS_INCLUDE_DIR)
  set(_gtest ${CORVANE_GTEST_SOURCE_DIR}/googletest)
  set(_gmock ${CORVANE_GTEST_SOURCE_DIR}/googlemock)
  if(NOT EXISTS ${_gtest}/src/gtest-all.cc OR NOT EXISTS ${_gmock}/src/gmock-all.cc)
    message(FATAL_ERROR "No GoogleTest sources in CORVANE_GTEST_SOURCE_DIR=${CORVANE_GTEST_SOURCE_DIR}")
  endif()
  # The headers are the copies the tests compile against (the same release as the sources).
  add_library(corvane_dep_gtest STATIC ${_gtest}/src/gtest-all.cc)
  target_include_directories(corvane_dep_gtest PRIVATE ${_gtest} ${CORVANE_DEPS_INCLUDE_DIR})
  add_library(corvane_dep_gmock STATIC ${_gmock}/src/gmock-all.cc)
  target_include_directories(corvane_dep_gmock PRIVATE ${_gmock} ${CORVANE_DEPS_INCLUDE_DIR})
  add_library(corvane_dep_gtest_main STATIC ${_gtest}/src/gtest_main.cc)
  target_include_directories(corvane_dep_gtest_main PRIVATE ${CORVANE_DEPS_INCLUDE_DIR})
  foreach(lib corvane_dep_gtest corvane_dep_gmock corvane_dep_gtest_main)
    target_compile_options(${lib} PRIVATE -O1 -w)
  endforeach()
  set_property(TARGET GTest::gtest APPEND PROPERTY INTERFACE_LINK_LIBRARIES corvane_dep_gtest)
  set_property(TARGET GTest::gmock APPEND PROPERTY INTERFACE_LINK_LIBRARIES corvane_dep_gmock corvane_dep_gtest)
  set_property(TARGET GTest::gtest_main APPEND PROPERTY INTERFACE_LINK_LIBRARIES corvane_dep_gtest_main corvane_dep_gtest)
endif()
