# Helpers shared by every folder's CMakeLists.

# Adds the sub-folders that exist, in the order given, so folders can be added one at a time.
function(brivo_add_existing_subdirectories)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# Where installed headers go; they keep their paths below it ("platform/windows/Gdi.h").
set(BRIVO_INSTALL_INCLUDEDIR include/brivo)

# brivo_library(name [INTERNAL] SOURCES ... [LIBS ...]): a static library whose headers are included
# from the repository root ("platform/windows/Gdi.h"). The libraries of platform/ and skin/ are what
# other programs build on: they are gathered in the global property BRIVO_EXPORTED_LIBRARIES, which
# packaging/ installs and exports; an INTERNAL one serves only this project's own programs.
function(brivo_library name)
  cmake_parse_arguments(ARG "INTERNAL" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}> $<INSTALL_INTERFACE:${BRIVO_INSTALL_INCLUDEDIR}>)
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(folder MATCHES "^(platform|skin)(/|$)" AND NOT ARG_INTERNAL)
    set_property(GLOBAL APPEND PROPERTY BRIVO_EXPORTED_LIBRARIES ${name})
  endif()
endfunction()

# brivo_test(name [TIMEOUT seconds] SOURCES ... [LIBS ...] [PROPERTIES name value ...]): a GoogleTest
# program, each test case its own ctest entry; a case that hangs fails after TIMEOUT (300 s unless
# given). PROPERTIES are further test properties of every case (FIXTURES_REQUIRED, ...).
function(brivo_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  if(NOT TARGET GTest::gtest)
    find_package(GTest REQUIRED)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  include(GoogleTest)
  # Listing the cases of a program that runs under an emulator (wine) can take seconds on a busy machine.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "BRIVO_SOURCE_DIR=${PROJECT_SOURCE_DIR}" TIMEOUT ${ARG_TIMEOUT} ${ARG_PROPERTIES})
endfunction()

# brivo_benchmark(name SOURCES ... [LIBS ...]): a Google Benchmark program (built, run by hand).
function(brivo_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# brivo_fuzz_target(name SOURCES ... [LIBS ...]): the source defines LLVMFuzzerTestOneInput.
# With BRIVO_FUZZ it becomes a libFuzzer program (build-fuzz/bin/fuzz-NAME). In every other build it
# is linked with a replay driver that feeds it each file of fuzz/corpus/NAME, and that replay is a
# test, so inputs that once crashed stay regression tests (and run under the sanitizers).
function(brivo_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(BRIVO_FUZZ)
    add_executable(fuzz-${name} ${ARG_SOURCES})
    target_link_libraries(fuzz-${name} PRIVATE ${ARG_LIBS})
    target_link_options(fuzz-${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(replay-${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/FuzzReplay.cpp)
    target_link_libraries(replay-${name} PRIVATE ${ARG_LIBS})
    add_test(NAME fuzz_corpus.${name}
      COMMAND replay-${name} ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  endif()
endfunction()

# brivo_wayland_protocol(name CLIENT|SERVER XML): a static library of the code wayland-scanner makes
# from a protocol's XML at build time; its header is included as "NAME-client-protocol.h" (or
# -server-) with NAME the XML's file name without its extension.
function(brivo_wayland_protocol name side xml)
  find_program(BRIVO_WAYLAND_SCANNER wayland-scanner REQUIRED)
  get_filename_component(base ${xml} NAME_WE)
  string(TOLOWER ${side} kind)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${name})
  set(header ${dir}/${base}-${kind}-protocol.h)
  set(code ${dir}/${base}-protocol.c)
  add_custom_command(
    OUTPUT ${header} ${code}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${BRIVO_WAYLAND_SCANNER} ${kind}-header ${xml} ${header}
    COMMAND ${BRIVO_WAYLAND_SCANNER} private-code ${xml} ${code}
    DEPENDS ${xml}
    COMMENT "Generating the ${kind} code of ${base}"
    VERBATIM)
  add_library(${name} STATIC ${code} ${header})
  target_include_directories(${name} PUBLIC ${dir})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# brivo_program(name): a program people start, linked to start fast and small on Linux: with the C++
# runtime built in (only what the program uses of it, and no large library to load and bind at
# every start), without libraries it does not use (what the Debian compiler does anyway), and with
# its relocations packed where the linker can (a few kilobytes the loader reads instead of some
# hundreds).
if(NOT WIN32)
  include(CheckLinkerFlag)
  check_linker_flag(CXX "LINKER:-z,pack-relative-relocs" BRIVO_LINKER_PACKS_RELOCATIONS)
endif()
function(brivo_program name)
  if(WIN32 OR BRIVO_SANITIZE OR BRIVO_FUZZ)
    return()
  endif()
  target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc LINKER:--as-needed)
  if(BRIVO_LINKER_PACKS_RELOCATIONS)
    target_link_options(${name} PRIVATE LINKER:-z,pack-relative-relocs)
  endif()
endfunction()
