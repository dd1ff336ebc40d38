# Build-wide settings and helpers shared by every folder.

option(TDX_SANITIZE "Build the native tree with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
set(TDX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
set(TDX_TEST_TIMEOUT 120 CACHE STRING "Seconds before a single test is stopped")
set(TDX_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs in the smoke run")

# A 64-bit Windows tree is a test build for hosts that cannot run 32-bit programs:
# same sources and tests, never packaged.
set(TDX_TEST_BUILD OFF)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TDX_TEST_BUILD ON)
endif()

# Cross build: tests run under Wine through a wrapper bound to this build tree's prefix
# (a 32-bit one, or a 64-bit one for the test build). On Windows itself they run directly.
# Every test that runs a Windows program carries the label "wine", so that a host
# without the tree's Wine can run the rest and count these as skipped.
set(TDX_UNDER_WINE OFF)
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(TDX_UNDER_WINE ON)
  # Kept in the cache, where scripts/wineenv reads which prefix the tree needs.
  if(TDX_TEST_BUILD)
    set(TDX_WINE_ARCH win64 CACHE INTERNAL "Kind of Wine prefix the tests run in")
  else()
    set(TDX_WINE_ARCH win32 CACHE INTERNAL "Kind of Wine prefix the tests run in")
  endif()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()

# Flags for the project's own targets (called after GoogleTest is added, so it
# keeps its own warnings).
macro(tdx_set_project_flags)
  if(MSVC)
    add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:/W4>)
    set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  else()
    add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-Wall> $<$<COMPILE_LANGUAGE:C,CXX>:-Wextra>)
  endif()
  if(WIN32)
    # ANSI on purpose: UNICODE is never defined.
    add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800 STRICT)
    if(NOT MSVC)
      # Static runtime: no MinGW DLL has to sit beside the programs.
      add_link_options(-static -static-libgcc -static-libstdc++)
    endif()
  elseif(TDX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    # Coverage for the fuzz targets reaches into the libraries they exercise.
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
      add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fsanitize=fuzzer-no-link>)
    endif()
    add_link_options(-fsanitize=address,undefined)
  endif()
endmacro()

include(GoogleTest)

# tdx_add_gtest(<name> SOURCES ... [LIBS ...] [LOCK <resource>...] [TIMEOUT <s>] [LABELS ...]
#               [SERIAL])
# One test program; each TEST becomes one CTest test. Under Wine every test needs
# the "wine" fixture (prefix, display, wineserver). SERIAL runs each test alone: for
# tests that change what every other test reads (the "tessary.ini" beside them).
function(tdx_add_gtest name)
  cmake_parse_arguments(A "SERIAL" "TIMEOUT" "SOURCES;LIBS;LABELS;LOCK" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} tdx_gtest_main)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT ${TDX_TEST_TIMEOUT})
  endif()
  gtest_add_tests(TARGET ${name} TEST_LIST tests)
  # A GTEST_SKIP counts as skipped, not passed.
  set_tests_properties(${tests} PROPERTIES TIMEOUT ${A_TIMEOUT}
                       SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  if(TDX_UNDER_WINE)
    list(APPEND A_LABELS wine)
  endif()
  if(A_LABELS)
    set_tests_properties(${tests} PROPERTIES LABELS "${A_LABELS}")
  endif()
  if(A_LOCK)
    set_tests_properties(${tests} PROPERTIES RESOURCE_LOCK "${A_LOCK}")
  endif()
  if(A_SERIAL)
    set_tests_properties(${tests} PROPERTIES RUN_SERIAL TRUE)
  endif()
  if(TDX_UNDER_WINE)
    set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

# tdx_add_fuzzer(<name> SOURCES ... [LIBS ...]): a libFuzzer target (native clang
# builds only) and a smoke run of TDX_FUZZ_SECONDS as a test.
function(tdx_add_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME fuzz.${name}
           COMMAND ${name} -max_total_time=${TDX_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                   -print_final_stats=1 ${corpus})
  math(EXPR t "${TDX_FUZZ_SECONDS} * 3 + 30")
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT ${t} LABELS fuzz)
endfunction()
