# The bleed prompt the engine asks before an imposition.
kv_test(commands_bleedprompt_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bleedprompt_test.cpp
  LIBS commands engine frame kctl foundation host platform)
