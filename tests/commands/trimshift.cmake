# The trim-and-shift command: its definition, describer, creep assistant and
# wizard, driven headless; and the command run by kvhost on generated PDFs.
kv_test(trimshift_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/trimshift_test.cpp
  LIBS commands)

kv_test(trimshift_e2e_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/trimshift_e2e_test.cpp
  LIBS kvfixtures foundation host)
add_dependencies(trimshift_e2e_tests kvhost kv3 kv3_resources)
