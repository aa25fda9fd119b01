# Embeds the files of resources/ into a target as a generated C++ source: every bitmaps/NAME.bmp
# becomes bitmap resource NAME, every icons/NAME.ico icon resource NAME, every forms/NAME.txt
# (a stored form description) form resource NAME, and each line of strings.txt a string-table entry. platform/core/Resources.cpp looks them up by name.
set(BRIVO_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(brivo_embed_resources target)
  file(GLOB bitmaps CONFIGURE_DEPENDS ${BRIVO_RESOURCE_DIR}/bitmaps/*.bmp)
  file(GLOB icons CONFIGURE_DEPENDS ${BRIVO_RESOURCE_DIR}/icons/*.ico)
  file(GLOB forms CONFIGURE_DEPENDS ${BRIVO_RESOURCE_DIR}/forms/*.txt)
  set(strings ${BRIVO_RESOURCE_DIR}/strings.txt)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/EmbeddedResources.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DRESOURCE_DIR=${BRIVO_RESOURCE_DIR} -DOUTPUT=${output}
            -P ${BRIVO_RESOURCE_DIR}/GenerateTable.cmake
    DEPENDS ${bitmaps} ${icons} ${forms} ${strings} ${BRIVO_RESOURCE_DIR}/GenerateTable.cmake
    COMMENT "Embedding resources"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
