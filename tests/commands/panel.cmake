# The control panel and the tabbed-dialog switchboard, on the frame's command
# table with the frame tests' command modules; one process per test.
kv_test(commands_panel_tests
  SOURCES ../support/OneTestPerProcess.cpp ../frame/FrameTestSupport.cpp ../frame/PlugInTestSupport.cpp panel_test.cpp
  LIBS commands frame kctl foundation host platform kvfixtures kvcontent)
add_dependencies(commands_panel_tests kv3_resources)
