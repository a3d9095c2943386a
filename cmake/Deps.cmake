# Third-party libraries, all static, all from Debian's packages or built from its sources.
set(NUDGE_DEPS_PREFIX "$ENV{HOME}/.cache/nudgebox/deps/${NUDGE_TRIPLE}" CACHE PATH
    "Prefix holding libcurl and jsoncpp built for the target by scripts/build-deps.sh")

find_library(NUDGE_ZLIB NAMES libz.a z REQUIRED)
find_path(NUDGE_ZLIB_INC zlib.h REQUIRED)
add_library(nudge_zlib INTERFACE)
target_link_libraries(nudge_zlib INTERFACE ${NUDGE_ZLIB})
target_include_directories(nudge_zlib INTERFACE ${NUDGE_ZLIB_INC})

# stb ships headers only; its folder alone goes on the include path.
add_library(nudge_stb INTERFACE)
target_include_directories(nudge_stb SYSTEM INTERFACE /usr/include/stb)

add_library(nudge_curl INTERFACE)
target_include_directories(nudge_curl SYSTEM INTERFACE ${NUDGE_DEPS_PREFIX}/include)
target_compile_definitions(nudge_curl INTERFACE CURL_STATICLIB)
target_link_libraries(nudge_curl INTERFACE ${NUDGE_DEPS_PREFIX}/lib/libcurl.a ws2_32 crypt32 wldap32 bcrypt advapi32)

add_library(nudge_jsoncpp INTERFACE)
target_include_directories(nudge_jsoncpp SYSTEM INTERFACE ${NUDGE_DEPS_PREFIX}/include)
target_link_libraries(nudge_jsoncpp INTERFACE ${NUDGE_DEPS_PREFIX}/lib/libjsoncpp.a)

if(NUDGE_BUILD_TESTS)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
