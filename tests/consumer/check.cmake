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

# A README program (the block SOURCE, as main.cpp) built with the README's
# recipe and run; it waits for Enter, and a line on standard input stops it at
# once, after it printed EXPECTED.
function(readme_application source folder expected)
  set(app ${WORK_DIR}/${folder})
  readme_block(${source} ${app})
  if(NOT source STREQUAL "main.cpp")
    file(RENAME ${app}/${source} ${app}/main.cpp)
  endif()
  readme_block(CMakeLists.txt ${app})
  step("configure the README's ${source}" ${CMAKE_COMMAND} -S ${app} -B ${app}/build -G ${GENERATOR}
       -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
       -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
  step("build the README's ${source}" ${CMAKE_COMMAND} --build ${app}/build)
  file(WRITE ${app}/enter.txt "\n")
  execute_process(COMMAND ${EMULATOR} ${app}/build/watch_windows.exe INPUT_FILE ${app}/enter.txt
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 120)
  if(NOT result EQUAL 0 OR NOT output MATCHES "${expected}")
    message(FATAL_ERROR "consumer check: the README's ${source} ended with ${result}:\n${output}")
  endif()
  message(STATUS "consumer check: the README's ${source} ran")
endfunction()

readme_application(main.cpp readme-application "watching; press Enter to stop")
readme_application(model.cpp readme-model "watching; press Enter to list the windows and stop")

step("configure" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
     -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
     -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON
     -DZARVO_VERSION=${VERSION})
step("build" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
step("run" ${EMULATOR} ${WORK_DIR}/build/consumer_check.exe)
message(STATUS "${output}")
