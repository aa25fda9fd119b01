brivo_fuzz_target(themefile SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThemeFileFuzz.cpp LIBS skin_foundation)
