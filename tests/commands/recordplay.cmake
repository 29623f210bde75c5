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
