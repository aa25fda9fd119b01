brivo_fuzz_target(keptfonts SOURCES ${CMAKE_CURRENT_LIST_DIR}/KeptFontsFuzz.cpp LIBS platform_graphics)
