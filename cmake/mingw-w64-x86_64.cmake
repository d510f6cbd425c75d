# Cross-building the Windows x64 programs on Debian with MinGW-w64 (the
# g++-mingw-w64-x86-64-posix package: the POSIX thread model, which the C++
# standard library's threads need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
# Only the MinGW-w64 headers and libraries; nlohmann-json (header-only)
# comes from the build machine through cmake/headeronly/.
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/headeronly CACHE PATH "nlohmann-json for the cross build")
# The programs run under Wine when tests or tools of the build run them.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
