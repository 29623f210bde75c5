# The reverse command.
kv_test(commands_reverse_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/reversecmd_test.cpp ${CMAKE_CURRENT_LIST_DIR}/../engine/PagesTestSupport.cpp
  LIBS commands engine frame kctl foundation host kvfixtures)
