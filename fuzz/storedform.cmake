brivo_fuzz_target(storedform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/StoredFormFuzz.cpp ${PROJECT_SOURCE_DIR}/tests/platform/core/TestClasses.cpp
  LIBS platform_core)
