# One INTERFACE target carries the compile options of every Corvane library and program.
add_library(corvane_options INTERFACE)
target_compile_features(corvane_options INTERFACE cxx_std_23)
target_include_directories(corvane_options INTERFACE ${PROJECT_SOURCE_DIR}/src)
target_compile_options(corvane_options INTERFACE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
# GCC 12's optimiser warns, wrongly, of overflows and overlaps in "literal" + std::string (its bug
# 105329) and of uninitialised reads in std::optional<std::variant> copies: an optimised build's
# output would be pages of it about code that is fine. The debug builds, where warnings are errors, keep them all.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(corvane_options INTERFACE
      $<$<NOT:$<CONFIG:Debug>>:-Wno-stringop-overflow -Wno-restrict -Wno-array-bounds -Wno-maybe-uninitialized>)
endif()
if(CORVANE_WERROR)
  target_compile_options(corvane_options INTERFACE -Werror)
endif()
if(CORVANE_SANITIZE)
  target_compile_options(corvane_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(corvane_options INTERFACE -fsanitize=address,undefined)
endif()
if(CORVANE_SANITIZE_THREAD)
  target_compile_options(corvane_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(corvane_options INTERFACE -fsanitize=thread)
endif()
if(CORVANE_BUILD_FUZZ)
  target_compile_options(corvane_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(corvane_options INTERFACE -fsanitize=address,undefined)
endif()

# Headers nearly every translation unit parses; precompiling them once per target roughly halves a
# clean build on two cores. Off for the compile-only cross build and the fuzz build.
set(CORVANE_STD_PCH <algorithm> <cstdint> <expected> <functional> <map> <memory> <optional> <string>
    <string_view> <unordered_map> <variant> <vector>)
if(CORVANE_PCH AND NOT CORVANE_DEPS_INCLUDE_DIR AND NOT CORVANE_BUILD_FUZZ)
  set(CORVANE_USE_PCH ON)
else()
  set(CORVANE_USE_PCH OFF)
endif()

# corvane_precompile(TARGET headers...): the standard set plus the target's own heavy headers.
function(corvane_precompile target)
  if(CORVANE_USE_PCH)
    target_precompile_headers(${target} PRIVATE ${CORVANE_STD_PCH} ${ARGN})
  endif()
endfunction()

# corvane_library(NAME sources... DEPS libs...)
function(corvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC corvane_options ${ARG_DEPS})
  corvane_precompile(${name})
endfunction()

# corvane_test(NAME sources... DEPS libs...): one GoogleTest binary per library, registered with CTest.
function(corvane_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE corvane_options ${ARG_DEPS} GTest::gmock GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE CORVANE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
                                             CORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  corvane_precompile(${name} <gtest/gtest.h> <gmock/gmock.h>)
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# Objective-C++ (the macOS backend and the app) manages Objective-C objects with ARC.
target_compile_options(corvane_options INTERFACE $<$<COMPILE_LANGUAGE:OBJCXX>:-fobjc-arc>)
