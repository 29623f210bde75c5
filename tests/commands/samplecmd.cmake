# The sample-document command.
kv_test(commands_sample_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/samplecmd_test.cpp ${CMAKE_CURRENT_LIST_DIR}/../engine/PagesTestSupport.cpp
  LIBS commands engine frame kctl foundation host kvfixtures)
