# The general preferences and the preferences dialogs.
kv_test(commands_prefs_tests
  SOURCES prefs_test.cpp
  LIBS commands frame kctl foundation host platform)
add_dependencies(commands_prefs_tests kv3_resources)
# Reading them once per run: one process per test.
kv_test(commands_prefs_read_tests
  SOURCES ../support/OneTestPerProcess.cpp prefs_read_test.cpp
  LIBS commands frame kctl foundation host platform)
# The preferences item in the host program with the real bundle.
kv_test(commands_prefs_host_tests
  SOURCES prefs_host_test.cpp
  LIBS kvfixtures foundation host)
add_dependencies(commands_prefs_host_tests kvhost kv3 kv3_resources)
