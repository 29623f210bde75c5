# The insert command.
kv_test(commands_insert_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/insertblankscmd_test.cpp ${CMAKE_CURRENT_LIST_DIR}/../engine/PagesTestSupport.cpp
  LIBS commands engine frame kctl foundation host kvfixtures)
