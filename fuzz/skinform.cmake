brivo_fuzz_target(skinform SOURCES ${CMAKE_CURRENT_LIST_DIR}/SkinFormFuzz.cpp LIBS skin_render_lib)
