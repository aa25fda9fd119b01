brivo_fuzz_target(x11_translate SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/X11TranslateFuzz.cpp LIBS platform_backend_x11)
