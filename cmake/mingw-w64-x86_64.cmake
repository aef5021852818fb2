# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which C++11 threads and Qt need). Used for Qt itself and for the panel.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_vako_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_vako_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_vako_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_vako_mingw}-windres)

# Libraries and headers come from the MinGW sysroot and from the Qt prefix the
# project is configured against; programs (moc, uic, rcc) from the build host.
set(CMAKE_FIND_ROOT_PATH /usr/${_vako_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
