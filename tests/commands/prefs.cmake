# The general preferences and the preferences dialogs.
kv_test(commands_prefs_tests
  SOURCES prefs_test.cpp
  LIBS commands frame kctl foundation host platform)
# Reading them once per run: one process per test.
kv_test(commands_prefs_read_tests
  SOURCES ../support/OneTestPerProcess.cpp prefs_read_test.cpp
  LIBS commands frame kctl foundation host platform)
