# The 32-bit Wine test hosts: the product's flags (mingw-i686.cmake), with the posix thread
# model compilers, whose std::mutex GoogleTest and the stand-in LCD service need. Everything is
# linked statically, so the hosts depend on nothing but Windows. The product DLL itself keeps
# the win32 thread model (see mingw-i686.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
