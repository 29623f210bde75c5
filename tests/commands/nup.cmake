# The n-up command: parameters, layout choice, describer, Start and wizard.
kv_test(commands_nup_tests
  SOURCES ${CMAKE_SOURCE_DIR}/tests/engine/PagesTestSupport.cpp nup_test.cpp
  LIBS commands engine frame kctl kctl_mac foundation host platform kvfixtures)
