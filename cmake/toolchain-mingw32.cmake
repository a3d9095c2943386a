# The product: 32-bit Windows (i686).
set(NUDGE_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-common.cmake)
