# The record and playback dialogs, driven headless over the frame's named
# actions (one test per process: the frame starts once per process).
kv_test(commands_recordplay_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/../support/OneTestPerProcess.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../frame/FrameTestSupport.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../frame/PlugInTestSupport.cpp
          ${CMAKE_CURRENT_LIST_DIR}/recordplay_test.cpp
  LIBS commands frame kctl foundation host kvfixtures kvcontent)
target_include_directories(commands_recordplay_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/frame)
add_dependencies(commands_recordplay_tests kv3_resources)

# End to end through kvhost: a bundle of the frame, the test reversing
# command of the end-to-end tests and the record and playback modules.
set(KV_RECORDPLAY_BUNDLE ${CMAKE_CURRENT_BINARY_DIR}/plugins/kv3recordplay)
kv_plugin_bundle(kv3recordplay DIR ${KV_RECORDPLAY_BUNDLE}
  SOURCES ${PROJECT_SOURCE_DIR}/tests/e2e/TestCommandModule.cpp ${PROJECT_SOURCE_DIR}/commands/RecordDialog.cpp
          ${PROJECT_SOURCE_DIR}/commands/PlaybackDialog.cpp
  RESOURCES_FROM ${KV_BUNDLE_DIR}/Resources
  NO_COMMANDS)
kv_test(commands_recordplay_e2e_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/recordplay_e2e_test.cpp
  LIBS kvfixtures foundation host)
target_compile_definitions(commands_recordplay_e2e_tests PRIVATE KV_RECORDPLAY_BUNDLE="${KV_RECORDPLAY_BUNDLE}")
add_dependencies(commands_recordplay_e2e_tests kvhost kv3 kv3recordplay kv3_resources)
