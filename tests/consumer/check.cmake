# Installs the build into a fresh prefix, builds the consumer project against
# it and runs the program under Wine (cmake -P; see tests/CMakeLists.txt).
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

set(CHECK_NAME "consumer check")
set(CHECK_STEP_TIMEOUT 300)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/CheckStep.cmake)

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

# The README's application, from the README's own text: the block after the
# marker "<!-- application: NAME -->" becomes the file NAME.
function(readme_block name destination)
  file(READ ${README} text)
  string(FIND "${text}" "<!-- application: ${name} -->\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "consumer check: the README has no block marked application: ${name}")
  endif()
  string(SUBSTRING "${text}" ${at} -1 text)
  string(FIND "${text}" "\n```" open)
  math(EXPR open "${open} + 4")
  string(SUBSTRING "${text}" ${open} -1 text)
  string(FIND "${text}" "\n" line_end)  # the rest of the fence's line names the language
  math(EXPR line_end "${line_end} + 1")
  string(SUBSTRING "${text}" ${line_end} -1 text)
  string(FIND "${text}" "\n```" close)
  if(close EQUAL -1)
    message(FATAL_ERROR "consumer check: the README's block ${name} is not closed")
  endif()
  math(EXPR close "${close} + 1")
  string(SUBSTRING "${text}" 0 ${close} text)
  file(WRITE ${destination}/${name} "${text}")
endfunction()

set(app ${WORK_DIR}/readme-application)
readme_block(main.cpp ${app})
readme_block(CMakeLists.txt ${app})
step("configure the README's application" ${CMAKE_COMMAND} -S ${app} -B ${app}/build -G ${GENERATOR}
     -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
     -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
step("build the README's application" ${CMAKE_COMMAND} --build ${app}/build)
# It waits for Enter: a line on standard input stops it at once.
file(WRITE ${app}/enter.txt "\n")
execute_process(COMMAND ${EMULATOR} ${app}/build/watch_windows.exe INPUT_FILE ${app}/enter.txt
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 120)
if(NOT result EQUAL 0 OR NOT output MATCHES "watching; press Enter to stop")
  message(FATAL_ERROR "consumer check: the README's application ended with ${result}:\n${output}")
endif()
message(STATUS "consumer check: the README's application ran")

step("configure" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
     -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
     -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON
     -DZARVO_VERSION=${VERSION})
step("build" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
step("run" ${EMULATOR} ${WORK_DIR}/build/consumer_check.exe)
message(STATUS "${output}")
