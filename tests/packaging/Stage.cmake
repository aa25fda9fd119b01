# cmake -DBUILD_DIR=... -DSTAGE=... -DCPACK=... -P Stage.cmake
# Installs the built tree into STAGE/prefix and packs its Debian package into STAGE/deb, as a user
# would with `cmake --install BUILD --prefix P` and `cpack -G DEB`.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}")
  endif()
endfunction()

run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE}/prefix)
run("cpack -G DEB" ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${STAGE}/deb)
