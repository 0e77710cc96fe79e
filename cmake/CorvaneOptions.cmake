# One INTERFACE target carries the compile options of every Corvane library and program.
add_library(corvane_options INTERFACE)
target_compile_features(corvane_options INTERFACE cxx_std_23)
target_include_directories(corvane_options INTERFACE ${PROJECT_SOURCE_DIR}/src)
target_compile_options(corvane_options INTERFACE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
if(CORVANE_WERROR)
  target_compile_options(corvane_options INTERFACE -Werror)
endif()
if(CORVANE_SANITIZE)
  target_compile_options(corvane_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(corvane_options INTERFACE -fsanitize=address,undefined)
endif()
if(CORVANE_BUILD_FUZZ)
  target_compile_options(corvane_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(corvane_options INTERFACE -fsanitize=address,undefined)
endif()

# corvane_library(NAME sources... DEPS libs...)
function(corvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC corvane_options ${ARG_DEPS})
endfunction()

# corvane_test(NAME sources... DEPS libs...): one GoogleTest binary per library, registered with CTest.
function(corvane_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE corvane_options ${ARG_DEPS} GTest::gmock GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE CORVANE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
                                             CORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# Objective-C++ (the macOS backend and the app) manages Objective-C objects with ARC.
target_compile_options(corvane_options INTERFACE $<$<COMPILE_LANGUAGE:OBJCXX>:-fobjc-arc>)
