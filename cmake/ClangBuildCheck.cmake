# The second compiler: the library, the hook DLL and the tools built with Clang
# (cmake/clang-mingw-w64-x86_64.cmake) in a build tree of their own, every
# warning an error, and the Clang-built DLL's shared section compared with the
# GCC-built one's. Code that only GCC accepts, or that only GCC lays out as the
# other processes expect, fails here in a minute instead of on a user's
# machine.
#
# Included from tests/CMakeLists.txt: defines the CTest test clang_build_check.
# Run with -P: the check itself.

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.20)
  # -D SOURCE_DIR, WORK_DIR, TOOLCHAIN_FILE, GENERATOR, HOST_CMAKE_DIR, BOOST_DIR,
  #    GCC_MODULE (the DLL of the GCC build)

  set(CHECK_NAME "clang build check")
  set(CHECK_STEP_TIMEOUT 800)
  include(${CMAKE_CURRENT_LIST_DIR}/CheckStep.cmake)

  # The tree is kept between runs: only what changed is built again, and a
  # file that warned is built (and fails) again, as it left no object.
  step("configure" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR} -G ${GENERATOR}
       -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
       -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DZARVO_BUILD_TESTS=OFF -DZARVO_BUILD_BENCH=OFF
       -DZARVO_HOST_CMAKE_DIR=${HOST_CMAKE_DIR} -DBoost_DIR=${BOOST_DIR})
  step("build" ${CMAKE_COMMAND} --build ${WORK_DIR} --parallel 2)

  # A little-endian number of SIZE bytes at OFFSET of FILE.
  function(read_number file offset size out)
    file(READ ${file} hex OFFSET ${offset} LIMIT ${size} HEX)
    set(digits "")
    foreach(byte RANGE ${size})
      if(byte GREATER 0)
        math(EXPR at "(${size} - ${byte}) * 2")
        string(SUBSTRING "${hex}" ${at} 2 pair)
        string(APPEND digits ${pair})
      endif()
    endforeach()
    math(EXPR value "0x${digits}")
    set(${out} ${value} PARENT_SCOPE)
  endfunction()

  # "<virtual size> <characteristics>" of the module's .ZARVOWI section header.
  function(shared_section module out)
    read_number(${module} 60 4 header)
    math(EXPR at "${header} + 6")
    read_number(${module} ${at} 2 count)
    math(EXPR at "${header} + 20")
    read_number(${module} ${at} 2 optional)
    math(EXPR table "${header} + 24 + ${optional}")
    foreach(index RANGE 1 ${count})
      math(EXPR entry "${table} + (${index} - 1) * 40")
      file(READ ${module} name OFFSET ${entry} LIMIT 8 HEX)
      if(name STREQUAL "2e5a4152564f5749") # ".ZARVOWI"
        math(EXPR at "${entry} + 8")
        read_number(${module} ${at} 4 size)
        math(EXPR at "${entry} + 36")
        read_number(${module} ${at} 4 flags)
        math(EXPR flags "${flags}" OUTPUT_FORMAT HEXADECIMAL)
        set(${out} "${size} ${flags}" PARENT_SCOPE)
        return()
      endif()
    endforeach()
    set(${out} "none" PARENT_SCOPE)
  endfunction()

  # Hook handle, notification window and flag: 24 bytes of initialised,
  # readable, writable, shared data, as in every build.
  set(expected "24 0xd0000040")
  foreach(module ${WORK_DIR}/bin/zarvowindow1589x64.dll ${GCC_MODULE})
    shared_section(${module} section)
    if(NOT section STREQUAL expected)
      message(FATAL_ERROR "clang build check: the shared section of ${module} is \"${section}\" "
                          "(size, characteristics), not \"${expected}\"")
    endif()
  endforeach()
  message(STATUS "clang build check: the shared sections match (${expected})")
  return()
endif()

add_test(NAME clang_build_check
  COMMAND ${CMAKE_COMMAND}
    -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
    -DWORK_DIR=${CMAKE_BINARY_DIR}/clang-build
    -DTOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/clang-mingw-w64-x86_64.cmake
    -DGENERATOR=${CMAKE_GENERATOR}
    -DHOST_CMAKE_DIR=${ZARVO_HOST_CMAKE_DIR}
    -DBOOST_DIR=${Boost_DIR}
    -DGCC_MODULE=$<TARGET_FILE:zarvowindow1589x64>
    -P ${CMAKE_CURRENT_LIST_FILE})
set_tests_properties(clang_build_check PROPERTIES LABELS checks TIMEOUT 900)
