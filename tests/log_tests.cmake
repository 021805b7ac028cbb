# The production log: the store, the command line, crashes and several writers.
if(TARGET tessaro_log)
  add_executable(tessaro_log_writer logwriter.cpp)
  target_link_libraries(tessaro_log_writer PRIVATE tessaro_log)

  add_executable(tessaro_log_tests log_test.cpp log_process_test.cpp simprocess.cpp testsupport.cpp)
  target_link_libraries(tessaro_log_tests PRIVATE tessaro_log GTest::gtest_main)
  target_compile_definitions(tessaro_log_tests PRIVATE
    TESSARO_CORPUS_DIR="${TESSARO_CORPUS_DIR}"
    TESSARO_CLI="$<TARGET_FILE:tessaro-cli>"
    TESSARO_SIM="$<TARGET_FILE:tessaro-programmer-sim>"
    TESSARO_LOG_WRITER="$<TARGET_FILE:tessaro_log_writer>")
  add_dependencies(tessaro_log_tests tessaro-cli tessaro-programmer-sim tessaro_log_writer)
  gtest_discover_tests(tessaro_log_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endif()

if(TARGET tessaro_log AND TARGET tessaro-programmer-sim AND TESSARO_BUILD_APP)
  tessaro_ui_tests(tessaro_log_window_tests logwindow_test.cpp simprocess.cpp testsupport.cpp)
  target_compile_definitions(tessaro_log_window_tests PRIVATE TESSARO_SIM="$<TARGET_FILE:tessaro-programmer-sim>")
  add_dependencies(tessaro_log_window_tests tessaro-programmer-sim)
endif()
