brivo_fuzz_target(keeper SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/KeeperFuzz.cpp LIBS platform_backend_keeper_client)
