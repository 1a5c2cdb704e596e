set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Windows test programs run under Wine in the project's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
# 64-bit time_t, as on x86_64 and with Microsoft's own compilers: without it
# mingw's 32-bit time_t ends in 2038 and dates beyond it (a download date of
# 2099, a server time after 2038) fail to convert.
set(CMAKE_C_FLAGS_INIT "-D__MINGW_USE_VC2005_COMPAT")
set(CMAKE_CXX_FLAGS_INIT "-D__MINGW_USE_VC2005_COMPAT")
