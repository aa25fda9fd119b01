# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix thread model, for std::thread
# and friends):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake
# The programs are linked statically, C and C++ runtime included, so an .exe needs no DLL beside it.
# Tests run through wine, in the build folder's own prefix (see cmake/CrossTesting.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BRIVO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BRIVO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRIVO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BRIVO_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BRIVO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Without -static the programs need libstdc++, libgcc and winpthread DLLs, and wine only says it
# could not start them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(BRIVO_WINE wine)
if(BRIVO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BRIVO_WINE})
endif()
