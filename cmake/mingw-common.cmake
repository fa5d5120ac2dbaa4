# The part of the two toolchain files they share: the caller sets
# CMAKE_SYSTEM_PROCESSOR and QRV_TRIPLE first. mingw-w64 with the posix thread
# model (std::thread needs it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${QRV_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QRV_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${QRV_TRIPLE}-windres)
set(CMAKE_AR           /usr/bin/${QRV_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/${QRV_TRIPLE}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${QRV_TRIPLE})
if(QRV_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${QRV_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
