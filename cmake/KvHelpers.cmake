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
  # Where the sources and the build are, for tests that read resources: compiled
  # in, so that ctest and a program run by hand from any folder behave alike.
  target_compile_definitions(${name} PRIVATE KV_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             KV_TEST_BUILD_DIR="${PROJECT_BINARY_DIR}")
  # Parameterised tests are named by their generators; the value gtest prints
  # beside a name would only repeat it, at the width of two names.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES)
  # The program run whole as well, once in its written order and once
  # shuffled (cmake/RunWhole.cmake prints the seed and, on a failure, how to
  # repeat it): a case that leaves state behind for the next shows only there.
  foreach(mode order shuffled)
    if(mode STREQUAL "order")
      set(entry Whole.${name}.InOrder)
    else()
      set(entry Whole.${name}.Shuffled)
    endif()
    add_test(NAME ${entry}
             COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${name}> -DMODE=${mode} -DENTRY=${entry}
                     -DBUILD_DIR=${PROJECT_BINARY_DIR} -DFOLDER=${PROJECT_BINARY_DIR}/whole/${entry}
                     -P ${PROJECT_SOURCE_DIR}/cmake/RunWhole.cmake)
    # Started early: a whole run is its program's longest entry. It works in
    # a folder and a home of its own (build/whole/<entry>), apart from the
    # per-case entries that may run beside it.
    set_tests_properties(${entry} PROPERTIES LABELS whole COST 1000 TIMEOUT 1200)
  endforeach()
  # The layering test checks that a folder's tests link only that layer and below.
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY KV_TESTS "${folder}:${name}")
endfunction()

# kv_fuzzer(name SOURCES ... [LIBS ...]) - a libFuzzer target, built only with KV_FUZZ.
function(kv_fuzzer name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${KV_WARNINGS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  # Targets that share the tests' support read the source tree as the tests do.
  target_compile_definitions(${name} PRIVATE KV_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  add_dependencies(fuzzers ${name})
  set_property(GLOBAL APPEND PROPERTY KV_FUZZERS ${name})
endfunction()

# kv_plugin_bundle(name DIR folder [SOURCES ...] [RESOURCES_FROM folder] [NO_COMMANDS])
# A plug-in bundle: folder/name.so, made of the plug-in's entry, the extra
# sources and the subsystem libraries, against the shared host and platform
# libraries. The command modules' library goes in whole (its modules register
# themselves when the plug-in loads, nothing calls them by name); the others
# give what is used. The bundle exports KVPlugInMain only, must resolve every
# symbol when it links, and stays loaded once loaded (the host keeps its
# callbacks until it quits). With RESOURCES_FROM, that Resources folder is
# copied into the bundle; with NO_COMMANDS, the command dialogs and panels
# stay out (test bundles that bring command modules of their own).
function(kv_plugin_bundle name)
  cmake_parse_arguments(A "NO_COMMANDS" "DIR;RESOURCES_FROM" "SOURCES" ${ARGN})
  add_library(${name} MODULE ${PROJECT_SOURCE_DIR}/plugin/PlugInMain.cpp ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${KV_WARNINGS})
  set(subsystems frame engine pdftools foundation kctl kctl_mac)
  set(whole)
  if(TARGET commands AND NOT A_NO_COMMANDS)
    # Every member of the archive, then the target itself for its usage
    # requirements (its second mention adds nothing to the link).
    set(whole -Wl,--whole-archive $<TARGET_FILE:commands> -Wl,--no-whole-archive commands)
  endif()
  target_link_libraries(${name} PRIVATE ${whole} ${subsystems} host platform ZLIB::ZLIB)
  target_link_options(${name} PRIVATE "-Wl,--version-script=${PROJECT_SOURCE_DIR}/plugin/kv3.map" -Wl,-z,defs
                      -Wl,-z,nodelete)
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${A_DIR}
                                           LINK_DEPENDS ${PROJECT_SOURCE_DIR}/plugin/kv3.map)
  if(A_RESOURCES_FROM)
    add_custom_target(${name}_resources ALL
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${A_RESOURCES_FROM} ${A_DIR}/Resources
      DEPENDS kv3_resources
      COMMENT "Copying the plug-in's resources into ${name}")
    add_dependencies(${name} ${name}_resources)
  else()
    add_dependencies(${name} kv3_resources)
  endif()
endfunction()
