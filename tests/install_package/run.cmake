# Installs the library from the build tree into a fresh prefix, builds a host program (a CMake
# project of its own, copied out of the source tree) against the installed package, and runs it.
# Called by ctest with BUILD_DIR, SOURCE_DIR, WORK_DIR and CXX.
file(REMOVE_RECURSE ${WORK_DIR})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)

# The contract headers are installed, the library's own are not.
foreach(header contract.h host.h host_platform.h value.h collection.h recordset.h errors.h export.h)
  if(NOT EXISTS ${WORK_DIR}/prefix/include/QOR_XS_PlugIns/frame/${header})
    message(FATAL_ERROR "the contract header frame/${header} was not installed")
  endif()
endforeach()
foreach(header data_access.h plugin.h rules.h login.h platform.h)
  if(EXISTS ${WORK_DIR}/prefix/include/QOR_XS_PlugIns/frame/${header})
    message(FATAL_ERROR "frame/${header} is the library's own and must not be installed")
  endif()
endforeach()

file(COPY ${SOURCE_DIR}/tests/install_package/host_program DESTINATION ${WORK_DIR}/src)
run("configuring the host program" ${CMAKE_COMMAND} -S ${WORK_DIR}/src/host_program
    -B ${WORK_DIR}/build -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_CXX_COMPILER=${CXX})
run("building the host program" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run("the host program" ${WORK_DIR}/build/host_program)
message(STATUS "${last_output}")
