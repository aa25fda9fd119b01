# cmake -DWIN_BUILD_DIR=... -DSTAGE=... -DCPACK=... -P WindowsStage.cmake
# Packs the cross build's Windows installer and zip into STAGE, as a user would with
# `cpack -G NSIS` and `cpack -G ZIP`. Without a cross build there is nothing to pack, and the tests
# that look at the packages say so.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
if(NOT EXISTS ${WIN_BUILD_DIR}/CPackConfig.cmake OR NOT EXISTS ${WIN_BUILD_DIR}/bin/brivo.exe)
  message("${WIN_BUILD_DIR} holds no cross build: no Windows packages")
  return()
endif()
foreach(generator NSIS ZIP)
  execute_process(COMMAND ${CPACK} -G ${generator} --config ${WIN_BUILD_DIR}/CPackConfig.cmake -B ${STAGE}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cpack -G ${generator} failed (${status}):\n${out}")
  endif()
endforeach()
