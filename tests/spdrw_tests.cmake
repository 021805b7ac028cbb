# The open SPD reader/writer: its protocol and firmware model, and the command
# line against its simulator.
if(TARGET tessaro_spdrwsimdevice)
  add_executable(tessaro_spdrw_tests spdrw_protocol_test.cpp)
  target_link_libraries(tessaro_spdrw_tests PRIVATE tessaro_spdrwsimdevice GTest::gtest_main)
  gtest_discover_tests(tessaro_spdrw_tests DISCOVERY_TIMEOUT 60)

  add_executable(tessaro_spdrw_cli_tests spdrw_cli_test.cpp simprocess.cpp testsupport.cpp)
  target_link_libraries(tessaro_spdrw_cli_tests PRIVATE tessaro_document tessaro_files GTest::gtest_main Qt6::Core)
  target_compile_definitions(tessaro_spdrw_cli_tests PRIVATE
    TESSARO_CORPUS_DIR="${TESSARO_CORPUS_DIR}"
    TESSARO_CLI="$<TARGET_FILE:tessaro-cli>"
    TESSARO_SIM="$<TARGET_FILE:tessaro-spdrw-sim>")
  add_dependencies(tessaro_spdrw_cli_tests tessaro-cli tessaro-spdrw-sim)
  gtest_discover_tests(tessaro_spdrw_cli_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endif()

# The reader/writer's frame in the windows against the simulator.
if(TARGET tessaro-spdrw-sim AND TESSARO_BUILD_APP)
  tessaro_ui_tests(tessaro_spdrw_window_tests spdrwwindow_test.cpp simprocess.cpp testsupport.cpp)
  target_compile_definitions(tessaro_spdrw_window_tests PRIVATE TESSARO_SIM="$<TARGET_FILE:tessaro-spdrw-sim>")
  add_dependencies(tessaro_spdrw_window_tests tessaro-spdrw-sim)
endif()
