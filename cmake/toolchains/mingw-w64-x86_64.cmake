# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 toolchain.
# The POSIX thread model compilers are used on purpose: the win32 model lacks
# std::thread and std::mutex, which GoogleTest and the folder monitor need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELANT_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER   ${VELANT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELANT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VELANT_MINGW_TRIPLE}-windres)
set(CMAKE_AR           ${VELANT_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB       ${VELANT_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")
# nasm builds libjpeg-turbo's SIMD code; it needs the Windows object format.
set(CMAKE_ASM_NASM_OBJECT_FORMAT win64)

set(CMAKE_FIND_ROOT_PATH /usr/${VELANT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
