# Testing in a cross build: GoogleTest is built from Debian's sources (there is no cross-built
# package of it), and the tests run through CMAKE_CROSSCOMPILING_EMULATOR (wine for Windows).
set(BRIVO_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${BRIVO_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(lib gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()

# Under wine every test program, and the listing of its cases, runs in the build folder's own prefix
# (made by tools/setup/wine-prefix.sh before ctest), never in the user's, without a display, and
# without wine's own chatter.
if(CMAKE_CROSSCOMPILING_EMULATOR MATCHES "wine")
  set(BRIVO_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "The wine prefix the tests run in")
  set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX=${BRIVO_WINE_PREFIX} WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml=" ${CMAKE_CROSSCOMPILING_EMULATOR})
endif()
