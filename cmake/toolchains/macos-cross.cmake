# Cross-compiles the macOS product from Linux with Debian's clang-19 against a macOS SDK — the full
# one or the subset DESIGN.md describes (Frameworks/ and include/ side by side). Without a linker it
# builds objects and static libraries only; with CORVANE_MACOS_ZIG (Zig 0.11) it also links every
# executable — Corvane.app, corvane, ax-dump and the tests — for the one architecture.
#
#   cmake --preset macos-cross -DCORVANE_MACOS_ARCH=x86_64 -DCORVANE_MACOS_SDK=/tmp/macsdk
#
# Dependencies come from CORVANE_DEPS_INCLUDE_DIR, a folder holding copies of their headers, and
# their sources (cmake/CorvaneMacDeps.cmake); scripts/macos-compile-check and scripts/macos-build
# prepare both.

set(CORVANE_MACOS_SDK "/tmp/macsdk" CACHE PATH "macOS SDK (Frameworks/ and include/ with c++/v1)")
set(CORVANE_MACOS_ARCH "arm64" CACHE STRING "Architecture to compile for: arm64 or x86_64")
set_property(CACHE CORVANE_MACOS_ARCH PROPERTY STRINGS arm64 x86_64)
if(NOT CORVANE_MACOS_ARCH MATCHES "^(arm64|x86_64)$")
  message(FATAL_ERROR "CORVANE_MACOS_ARCH must be arm64 or x86_64, not '${CORVANE_MACOS_ARCH}'")
endif()
set(CORVANE_MACOS_ZIG "" CACHE FILEPATH "Zig 0.11, to link for macOS; empty: objects and static libraries only")
# try_compile projects read this file again and need the same choices.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CORVANE_MACOS_SDK CORVANE_MACOS_ARCH CORVANE_MACOS_ZIG)

set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_VERSION 22.0)  # macOS 13
set(CMAKE_SYSTEM_PROCESSOR ${CORVANE_MACOS_ARCH})
set(CMAKE_OSX_ARCHITECTURES ${CORVANE_MACOS_ARCH} CACHE STRING "" FORCE)
set(CMAKE_OSX_DEPLOYMENT_TARGET 13.0 CACHE STRING "" FORCE)
# The subset is not laid out as a sysroot; its folders are named below instead.
set(CMAKE_OSX_SYSROOT "" CACHE PATH "" FORCE)

find_program(CORVANE_CLANG clang-19 REQUIRED)
find_program(CORVANE_CLANGXX clang++-19 REQUIRED)
set(CMAKE_C_COMPILER ${CORVANE_CLANG})
set(CMAKE_CXX_COMPILER ${CORVANE_CLANGXX})
set(CMAKE_OBJC_COMPILER ${CORVANE_CLANG})
set(CMAKE_OBJCXX_COMPILER ${CORVANE_CLANGXX})
set(_corvane_target ${CORVANE_MACOS_ARCH}-apple-macos13)
foreach(lang C CXX OBJC OBJCXX)
  set(CMAKE_${lang}_COMPILER_TARGET ${_corvane_target})
endforeach()

# -nostdlibinc keeps the host's /usr/include and /usr/local/include out of the search path, so a
# header the SDK lacks fails here as it would on a Mac instead of being taken from Linux.
set(_corvane_sdk_flags "-nostdlibinc -iframework ${CORVANE_MACOS_SDK}/Frameworks -isystem ${CORVANE_MACOS_SDK}/include")
# libc++ from the SDK; its folder must come before the C headers it wraps.
set(_corvane_libcxx_flags "-nostdinc++ -isystem ${CORVANE_MACOS_SDK}/include/c++/v1")
set(CMAKE_C_FLAGS_INIT "${_corvane_sdk_flags}")
set(CMAKE_OBJC_FLAGS_INIT "${_corvane_sdk_flags} -fobjc-arc")
set(CMAKE_CXX_FLAGS_INIT "${_corvane_libcxx_flags} ${_corvane_sdk_flags}")
set(CMAKE_OBJCXX_FLAGS_INIT "${_corvane_libcxx_flags} ${_corvane_sdk_flags} -fobjc-arc")

# Compiler checks build static libraries: they need no linker.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
if(CORVANE_MACOS_ZIG)
  # Executables are linked by Zig (macos-zig-link.cmake), read once the platform's own rules are in.
  set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/macos-zig-link.cmake)
endif()
find_program(CMAKE_AR NAMES llvm-ar-19 llvm-ar)
# Archives in the Mac's own format, with its symbol table, as a Mac linker expects them.
foreach(lang C CXX OBJC OBJCXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qc --format=darwin <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> q --format=darwin <TARGET> <LINK_FLAGS> <OBJECTS>")
endforeach()
find_program(CMAKE_RANLIB NAMES llvm-ranlib-19 llvm-ranlib)
find_program(CMAKE_INSTALL_NAME_TOOL NAMES llvm-install-name-tool-19 llvm-install-name-tool)

set(CMAKE_FIND_ROOT_PATH ${CORVANE_MACOS_SDK})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
