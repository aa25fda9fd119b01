brivo_fuzz_target(ico SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/IcoFuzz.cpp LIBS platform_graphics)
