# Cross-compiles for 64-bit Windows with Debian's clang against the MinGW-w64 headers, C++ library
# and linker (make lint: the second compiler that keeps the program free of warnings).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_SYSROOT /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# clang does not find Debian's MinGW GCC ("12-posix") by itself: name its C++ headers, its
# libraries and the MinGW linker.
file(GLOB VB_MINGW_GCC_DIRS LIST_DIRECTORIES true /usr/lib/gcc/${TOOLCHAIN_PREFIX}/*-posix)
list(SORT VB_MINGW_GCC_DIRS)
list(GET VB_MINGW_GCC_DIRS -1 VB_MINGW_GCC_DIR)
set(VB_CXX_INCLUDE ${VB_MINGW_GCC_DIR}/include/c++)
set(CMAKE_CXX_FLAGS_INIT
    "-nostdinc++ -isystem ${VB_CXX_INCLUDE} -isystem ${VB_CXX_INCLUDE}/${TOOLCHAIN_PREFIX} -isystem ${VB_CXX_INCLUDE}/backward")
set(VB_CLANG_LINK_FLAGS "-Wno-unused-command-line-argument -fuse-ld=/usr/bin/${TOOLCHAIN_PREFIX}-ld -L${VB_MINGW_GCC_DIR}")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${VB_CLANG_LINK_FLAGS})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${VB_CLANG_LINK_FLAGS})
# Debian's MinGW C++ library is built for POSIX threads: it needs winpthread after it.
set(CMAKE_CXX_STANDARD_LIBRARIES "-lstdc++ -lpthread" CACHE STRING "" FORCE)
