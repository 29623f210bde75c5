# The commands' parameter tables against their definitions, and the
# generated reference docs/parameters.md.
kv_test(commands_params_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/params_test.cpp
  LIBS commands engine frame kctl kctl_mac foundation host platform)
