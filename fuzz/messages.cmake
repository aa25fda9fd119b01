brivo_fuzz_target(messages SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/MessageFuzz.cpp LIBS platform_backend_headless)
