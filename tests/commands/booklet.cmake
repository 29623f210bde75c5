# The booklet command for real: kvhost with the plug-in bundle.
kv_test(commands_booklet_e2e_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/booklet_e2e_test.cpp
  LIBS kvfixtures foundation host)
add_dependencies(commands_booklet_e2e_tests kvhost kv3 kv3_resources)
# The command's definition, describer and wizard.
kv_test(commands_booklet_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/booklet_test.cpp
  LIBS commands engine frame kctl foundation host platform kvfixtures)
