# CMake toolchain for 64-bit Windows programs built on Debian with its MinGW-w64 cross compilers
# (g++-mingw-w64-x86-64-posix). Used to build Qt itself (scripts/windows/build-qt.sh) and the
# project against that Qt.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triplet x86_64-w64-mingw32)
# The -posix compilers use winpthreads, which std::thread and std::mutex need; the -win32 ones
# have no C++11 threads at all.
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

# Headers, libraries and CMake packages come from the Windows side only, so nothing of the Linux
# system leaks into a Windows build; programs (moc, rcc, lrelease) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The PE header's time stamp would differ on every link; without it the same commit gives the
# same .exe and .dll bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,--no-insert-timestamp")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-Wl,--no-insert-timestamp")
