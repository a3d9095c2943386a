# One place for the compiler and linker settings of every target.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
if(MSVC)
  add_compile_options(/W4 /utf-8)
else()
  add_compile_options(-Wall -Wextra)
  option(NUDGE_WERROR "Treat warnings as errors" OFF)
  if(NUDGE_WERROR)
    add_compile_options(-Werror)
  endif()
  # Static run-time: the executables need only system DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# Hardening: ASLR, DEP, stack protector, fortified string and memory calls.
if(NOT MSVC)
  add_compile_options(-fstack-protector-strong $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  add_link_options(-fstack-protector-strong -Wl,--dynamicbase -Wl,--nxcompat)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(-Wl,--high-entropy-va)
  endif()
else()
  add_compile_options(/GS)
  add_link_options(/DYNAMICBASE /NXCOMPAT)
endif()
