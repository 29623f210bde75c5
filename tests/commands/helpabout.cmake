# The help centre and the about box, driven headless on the build's bundle
# (its logo resource and the manuals beside it).
kv_test(commands_helpabout_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/../support/OneTestPerProcess.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../frame/FrameTestSupport.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../frame/PlugInTestSupport.cpp
          ${CMAKE_CURRENT_LIST_DIR}/helpabout_test.cpp
  LIBS commands frame kctl foundation host kvfixtures kvcontent)
target_include_directories(commands_helpabout_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/frame)
add_dependencies(commands_helpabout_tests kv3_resources)
