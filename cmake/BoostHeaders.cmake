# The Boost headers the project's sources include, and only those.
#
# Debian's Boost configuration puts /usr/include on the include path, which
# would hand the cross compiler the host's C library headers too. Instead, the
# headers that the sources reach (asked of the cross compiler itself, so that
# Boost's platform choices are those of the target) are copied into a folder of
# the build; that folder is both the build's Boost include directory and what
# the package installs for NLibrary's users, who then need no Boost of their
# own. The copy is refreshed whenever a source changes, so a new Boost include
# needs no reconfiguration.
#
# Included from CMakeLists.txt: zarvo_boost_headers(TARGET OUTPUT_DIR SOURCES...)
# defines TARGET that fills OUTPUT_DIR. zarvo_host_headers(TARGET OUTPUT_DIR
# INCLUDE_DIR PREFIX SOURCES...) does the same for another header-only package
# of the host (the tools' JSON, for instance: PREFIX nlohmann). Run with -P:
# does the scan and the copy.

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.20)
  # -D COMPILER, BOOST_INCLUDE_DIR, OUTPUT_DIR, SOURCE_LIST (a file), FLAGS (joined by |),
  #    PREFIX (the headers' top folder; boost unless given)
  string(REPLACE "|" ";" FLAGS "${FLAGS}")
  if(NOT PREFIX)
    set(PREFIX boost)
  endif()
  file(STRINGS "${SOURCE_LIST}" sources)
  set(includes "")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]${PREFIX}/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
      list(APPEND includes "${header}")
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES includes)
  list(SORT includes)

  set(scan "${OUTPUT_DIR}.scan.cpp")
  set(text "")
  foreach(header IN LISTS includes)
    string(APPEND text "#include <${header}>\n")
  endforeach()
  file(WRITE "${scan}" "${text}")
  # -idirafter: the target's own headers win; only what they lack (Boost) is
  # taken from the host, and only the Boost files are kept below.
  execute_process(
    COMMAND "${COMPILER}" ${FLAGS} -x c++ -M -idirafter "${BOOST_INCLUDE_DIR}" "${scan}"
    OUTPUT_VARIABLE dependencies ERROR_VARIABLE errors RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PREFIX} headers: the compiler could not read ${includes}:\n${errors}")
  endif()
  string(REGEX MATCHALL "${BOOST_INCLUDE_DIR}/${PREFIX}/[^ \t\r\n\\\\]+" files "${dependencies}")

  set(wanted "")
  foreach(file IN LISTS files)
    cmake_path(NORMAL_PATH file)
    file(RELATIVE_PATH relative "${BOOST_INCLUDE_DIR}" "${file}")
    if(relative IN_LIST wanted)
      continue()
    endif()
    list(APPEND wanted "${relative}")
    configure_file("${file}" "${OUTPUT_DIR}/${relative}" COPYONLY)
  endforeach()
  # Headers no source reaches any more are dropped, so that the installed set
  # is exactly what NLibrary needs.
  file(GLOB_RECURSE present RELATIVE "${OUTPUT_DIR}" "${OUTPUT_DIR}/${PREFIX}/*")
  foreach(file IN LISTS present)
    if(NOT file IN_LIST wanted)
      file(REMOVE "${OUTPUT_DIR}/${file}")
    endif()
  endforeach()
  file(TOUCH "${OUTPUT_DIR}.stamp")
  return()
endif()

set(ZARVO_BOOST_HEADERS_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(zarvo_boost_headers target output_dir)
  get_target_property(boost_include_dir Boost::headers INTERFACE_INCLUDE_DIRECTORIES)
  zarvo_host_headers(${target} ${output_dir} ${boost_include_dir} boost ${ARGN})
endfunction()

function(zarvo_host_headers target output_dir include_dir prefix)
  set(source_list ${CMAKE_BINARY_DIR}/${target}.sources.txt)
  string(REPLACE ";" "\n" text "${ARGN}")
  file(CONFIGURE OUTPUT ${source_list} CONTENT "${text}\n")
  # The target's definitions and language level, as the sources see them.
  get_directory_property(definitions DIRECTORY ${CMAKE_SOURCE_DIR} COMPILE_DEFINITIONS)
  set(flags -std=c++${CMAKE_CXX_STANDARD})
  # A compiler that serves several targets (Clang) is told which one, and
  # where its headers are, as for the sources.
  if(CMAKE_CXX_COMPILER_TARGET)
    list(APPEND flags --target=${CMAKE_CXX_COMPILER_TARGET})
  endif()
  if(CMAKE_SYSROOT)
    list(APPEND flags --sysroot=${CMAKE_SYSROOT})
  endif()
  separate_arguments(cxx_flags UNIX_COMMAND "${CMAKE_CXX_FLAGS}")
  list(APPEND flags ${cxx_flags})
  foreach(definition IN LISTS definitions)
    list(APPEND flags -D${definition})
  endforeach()
  string(REPLACE ";" "|" flags "${flags}")
  add_custom_command(
    OUTPUT ${output_dir}.stamp
    COMMAND ${CMAKE_COMMAND} -DCOMPILER=${CMAKE_CXX_COMPILER} -DBOOST_INCLUDE_DIR=${include_dir}
            -DOUTPUT_DIR=${output_dir} -DSOURCE_LIST=${source_list} "-DFLAGS=${flags}"
            -DPREFIX=${prefix}
            -P ${ZARVO_BOOST_HEADERS_SCRIPT}
    DEPENDS ${ARGN} ${source_list} ${ZARVO_BOOST_HEADERS_SCRIPT}
    COMMENT "Copying the ${prefix} headers the sources include"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${output_dir}.stamp)
  # A first configure leaves the folder in place for include paths that must exist.
  file(MAKE_DIRECTORY ${output_dir})
endfunction()
