# The sample, insert, join and reverse commands end to end: kvhost with the
# plug-in bundle on generated PDFs, checked with qpdf and poppler-utils.
kv_test(commands_pages_e2e_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/pagecmds_e2e_test.cpp
  LIBS kvfixtures foundation host)
add_dependencies(commands_pages_e2e_tests kvhost kv3 kv3_resources)
