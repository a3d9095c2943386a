# The test build: the same code for 64-bit Windows (x86_64), because the sandboxed Linux kernel of the
# project's machines cannot execute 32-bit processes and so cannot run Wine's 32-bit loader.
set(NUDGE_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-common.cmake)
