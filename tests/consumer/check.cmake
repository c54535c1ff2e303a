# Installs the build into a fresh prefix, builds the consumer project against
# it and runs the program under Wine (cmake -P; see tests/CMakeLists.txt).
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(step name)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output TIMEOUT 300)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "consumer check: ${name} failed (${result}):\n${output}")
  endif()
  message(STATUS "consumer check: ${name} done")
  set(output "${output}" PARENT_SCOPE)
endfunction()

step("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# The layout the README promises (the package's own files are checked by
# find_package and its target files).
foreach(file bin/zarvowindow1589x64.dll bin/zarvowatch.exe include/zarvowindow1589x64.h
             lib/zarvowindow1589x64.lib include/library/window/WindowQueries.h
             lib/cmake/zarvowindow/zarvowindowConfig.cmake
             lib/cmake/zarvowindow/zarvowindowConfigVersion.cmake README.md)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "consumer check: the install lacks ${file}")
  endif()
endforeach()

step("configure" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
     -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
     -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON
     -DZARVO_VERSION=${VERSION})
step("build" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
step("run" ${EMULATOR} ${WORK_DIR}/build/consumer_check.exe)
message(STATUS "${output}")
