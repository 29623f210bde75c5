kv_test(commands_cropmark_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/cropmarks_test.cpp
  LIBS commands)
