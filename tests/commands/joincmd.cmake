# The join command.
kv_test(commands_join_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/joincmd_test.cpp ${CMAKE_CURRENT_LIST_DIR}/../engine/PagesTestSupport.cpp
  LIBS commands engine frame kctl foundation host kvfixtures)
