# Common flags and the small helpers every folder uses.

set(KV_WARNINGS -Wall -Wextra)
if(KV_WERROR)
  list(APPEND KV_WARNINGS -Werror)
endif()

if(KV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KV_FUZZ)
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# qpdf 11: use std::shared_ptr everywhere, no PointerHolder.
add_compile_definitions(POINTERHOLDER_TRANSITION=4)

# kv_library(name SHARED|STATIC SOURCES ... [LIBS ...])
# One library target per folder; headers are included as "folder/Name.h".
function(kv_library name kind)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} ${kind} ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${KV_WARNINGS})
  if(A_LIBS)
    target_link_libraries(${name} PUBLIC ${A_LIBS})
  endif()
endfunction()

# kv_test(name SOURCES ... [LIBS ...]) - a GoogleTest executable registered with CTest.
function(kv_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${KV_WARNINGS})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  # Where the sources and the build are, for tests that read resources.
  target_compile_definitions(${name} PRIVATE KV_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             KV_TEST_BUILD_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "KV_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# kv_fuzzer(name SOURCES ... [LIBS ...]) - a libFuzzer target, built only with KV_FUZZ.
function(kv_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${KV_WARNINGS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  add_dependencies(fuzzers ${name})
  set_property(GLOBAL APPEND PROPERTY KV_FUZZERS ${name})
endfunction()
