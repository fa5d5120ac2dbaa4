# Cross toolchain of the 64-bit build (tested beside the product): 64-bit
# Windows with mingw-w64. SSE2 is part of x86_64: no processor flags needed.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QRV_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
