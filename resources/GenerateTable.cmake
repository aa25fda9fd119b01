# Script mode: cmake -DRESOURCE_DIR=... -DOUTPUT=... -P GenerateTable.cmake
# Writes the resource table (platform/core/ResourceTable.h) with each file's bytes as an array.

function(append_bytes var hex)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Break the initialiser into lines of 24 bytes so compilers and diffs stay comfortable.
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){24})" "\\1\n" bytes "${bytes}")
  set(${var} "${${var}}${bytes}" PARENT_SCOPE)
endfunction()

set(arrays "")
set(entries "")
set(index 0)
foreach(kind Bitmap Icon Form)
  if(kind STREQUAL "Bitmap")
    file(GLOB files ${RESOURCE_DIR}/bitmaps/*.bmp)
  elseif(kind STREQUAL "Icon")
    file(GLOB files ${RESOURCE_DIR}/icons/*.ico)
  else()
    file(GLOB files ${RESOURCE_DIR}/forms/*.txt)
  endif()
  list(SORT files)
  foreach(path ${files})
    get_filename_component(name ${path} NAME_WE)
    string(TOUPPER "${name}" name)
    file(READ ${path} hex HEX)
    string(LENGTH "${hex}" length)
    math(EXPR size "${length} / 2")
    set(array "const unsigned char Data${index}[] = {\n")
    append_bytes(array "${hex}")
    string(APPEND arrays "${array}};\n")
    string(APPEND entries "    {\"${name}\", TResourceType::${kind}, Data${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
endforeach()

# Strings are carried as bytes too, so no text needs escaping.
set(strings "")
file(STRINGS ${RESOURCE_DIR}/strings.txt lines ENCODING UTF-8)
foreach(line ${lines})
  if(line MATCHES "^#" OR line STREQUAL "")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)[ \t]+(.*)$")
    message(FATAL_ERROR "strings.txt: malformed line '${line}'")
  endif()
  set(id ${CMAKE_MATCH_1})
  set(text "${CMAKE_MATCH_2}")
  string(HEX "${text}" hex)
  string(LENGTH "${hex}" length)
  math(EXPR size "${length} / 2")
  set(array "const char Text${id}[] = {")
  append_bytes(array "${hex}")
  string(APPEND arrays "${array}0};\n")
  string(APPEND strings "    {${id}, std::string_view(Text${id}, ${size})},\n")
endforeach()

set(content "// Generated from resources/ by GenerateTable.cmake; do not edit.
#include \"platform/core/ResourceTable.h\"

namespace {
${arrays}
// Each table ends in an empty entry, which keeps it valid when a folder holds no file.
const TResourceEntry Resources[] = {
${entries}    {},
};

const TStringEntry Strings[] = {
${strings}    {},
};
} // namespace

std::span<const TResourceEntry> EmbeddedResources() { return {Resources, std::size(Resources) - 1}; }
std::span<const TStringEntry> EmbeddedStrings() { return {Strings, std::size(Strings) - 1}; }
")
file(WRITE ${OUTPUT}.tmp "${content}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
