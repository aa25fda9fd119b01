# The fuzz target builds its messages with sd-bus itself, so it links libsystemd.
pkg_check_modules(FUZZ_LIBSYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
brivo_fuzz_target(display_config SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/DisplayConfigFuzz.cpp
  LIBS platform_backend_display_config PkgConfig::FUZZ_LIBSYSTEMD)
