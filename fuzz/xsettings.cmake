brivo_fuzz_target(xsettings SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/XSettingsFuzz.cpp LIBS platform_backend_x11)
