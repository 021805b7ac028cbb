# The programmer link without hardware.
if(TARGET tessaro_device)
  add_executable(tessaro_device_tests device_test.cpp testsupport.cpp)
  target_link_libraries(tessaro_device_tests PRIVATE tessaro_device tessaro_files GTest::gtest)
  target_compile_definitions(tessaro_device_tests PRIVATE
    TESSARO_CORPUS_DIR="${TESSARO_CORPUS_DIR}"
    TESSARO_CLI="$<TARGET_FILE:tessaro-cli>")
  gtest_discover_tests(tessaro_device_tests DISCOVERY_TIMEOUT 60)
endif()

if(TARGET tessaro_device AND TESSARO_BUILD_APP)
  tessaro_ui_tests(tessaro_link_window_tests linkwindow_test.cpp testsupport.cpp)
endif()

# End to end over a pseudo-terminal with the programmer simulator.
if(TARGET tessaro_device AND TARGET tessaro-programmer-sim)
  add_executable(tessaro_device_e2e_tests device_e2e_test.cpp simprocess.cpp testsupport.cpp)
  target_link_libraries(tessaro_device_e2e_tests PRIVATE tessaro_device tessaro_files GTest::gtest)
  target_compile_definitions(tessaro_device_e2e_tests PRIVATE
    TESSARO_CORPUS_DIR="${TESSARO_CORPUS_DIR}"
    TESSARO_CLI="$<TARGET_FILE:tessaro-cli>"
    TESSARO_SIM="$<TARGET_FILE:tessaro-programmer-sim>")
  add_dependencies(tessaro_device_e2e_tests tessaro-cli tessaro-programmer-sim)
  gtest_discover_tests(tessaro_device_e2e_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endif()

if(TARGET tessaro_device AND TARGET tessaro-programmer-sim AND TESSARO_BUILD_APP)
  tessaro_ui_tests(tessaro_link_window_e2e_tests linkwindow_e2e_test.cpp simprocess.cpp testsupport.cpp)
  target_compile_definitions(tessaro_link_window_e2e_tests PRIVATE TESSARO_SIM="$<TARGET_FILE:tessaro-programmer-sim>")
  add_dependencies(tessaro_link_window_e2e_tests tessaro-programmer-sim)
endif()
