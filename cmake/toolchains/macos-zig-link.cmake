# Link rules for macos-cross.cmake when CORVANE_MACOS_ZIG is set. Zig's clang driver links Mach-O:
# it carries Apple's libSystem stubs, builds libc++ (the release of the SDK's headers) for the target
# and links it in, resolves frameworks against the SDK's stubs (.tbd), refuses any symbol left
# undefined, and signs arm64 results ad hoc (x86_64 ones it leaves unsigned). The minimum macOS goes
# into LC_BUILD_VERSION. Header padding leaves room for scripts/macos-sign to add a signature where
# the linker wrote none.

if(CORVANE_MACOS_ARCH STREQUAL "arm64")
  set(_corvane_zig_target aarch64-macos.13.0)
else()
  set(_corvane_zig_target x86_64-macos.13.0)
endif()

foreach(lang C CXX OBJC OBJCXX)
  set(CMAKE_${lang}_LINK_EXECUTABLE
      "${CORVANE_MACOS_ZIG} c++ -target ${_corvane_zig_target} -Wl,-headerpad_max_install_names <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES> -F${CORVANE_MACOS_SDK}/Frameworks -L${CORVANE_MACOS_SDK}/lib -lobjc")
endforeach()
