brivo_fuzz_target(bmp SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/BmpFuzz.cpp LIBS platform_graphics)
