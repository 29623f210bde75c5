# The shuffle, shuffle assistant and even/odd commands.
kv_test(shuffle_assistant_tests
  SOURCES shuffle_assistant_test.cpp
  LIBS commands frame engine kctl kctl_mac pdftools foundation host platform)
kv_test(shuffle_dialogs_tests
  SOURCES shuffle_dialogs_test.cpp
  LIBS commands frame engine kctl kctl_mac pdftools foundation host platform)
# kvhost with the real bundle on generated PDFs.
kv_test(shuffle_e2e_tests
  SOURCES shuffle_e2e_test.cpp
  LIBS kvfixtures foundation host)
add_dependencies(shuffle_e2e_tests kvhost kv3 kv3_resources)
