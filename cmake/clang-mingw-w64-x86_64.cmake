# Cross-compiles for 64-bit Windows with Debian's Clang on the same platform as
# the GCC build (cmake/mingw-w64-x86_64.cmake): the mingw-w64 headers and
# import libraries, GCC's libstdc++ and libgcc (posix thread model), and
# binutils' linker and resource compiler. Only the compiler differs, so a
# second compiler's errors and warnings show code that rests on one compiler's
# habits. Builds the library, the hook DLL and the tools; the tests and
# benchmarks (-DZARVO_BUILD_TESTS=OFF -DZARVO_BUILD_BENCH=OFF) are GCC's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES clang REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES clang++ REQUIRED)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
find_program(CMAKE_RC_COMPILER NAMES ${TOOLCHAIN_PREFIX}-windres REQUIRED)

# Without a sysroot Clang searches the host's /usr/include after the
# platform's headers; with it, only the mingw-w64 headers and libraries.
set(CMAKE_SYSROOT /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Clang does not find Debian's GCC folder by itself (it cannot read "12-posix"
# as a version), so the C++ headers, crtbegin.o/crtend.o, libstdc++ and libgcc
# are named from where the GCC cross compiler says they are. libstdc++ of the
# posix thread model needs winpthreads, which -pthread links inside the
# runtime's library group.
find_program(ZARVO_MINGW_GCC NAMES ${TOOLCHAIN_PREFIX}-gcc-posix ${TOOLCHAIN_PREFIX}-gcc REQUIRED)
execute_process(COMMAND ${ZARVO_MINGW_GCC} -print-libgcc-file-name
                OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(gcc_dir ${libgcc} DIRECTORY)
set(cxx_include ${gcc_dir}/include/c++)
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${cxx_include} -isystem ${cxx_include}/${TOOLCHAIN_PREFIX} -isystem ${cxx_include}/backward")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-B${gcc_dir} -L${gcc_dir} -pthread")
endforeach()
