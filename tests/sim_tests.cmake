# The programmer simulator: its device model, and the program on a pseudo-terminal.
add_executable(tessaro_sim_tests sim_device_test.cpp sim_pty_test.cpp)
target_link_libraries(tessaro_sim_tests PRIVATE tessaro_simdevice GTest::gtest_main)
target_compile_definitions(tessaro_sim_tests PRIVATE
  TESSARO_CORPUS_DIR="${TESSARO_CORPUS_DIR}"
  TESSARO_PROGRAMMER_SIM="$<TARGET_FILE:tessaro-programmer-sim>")
add_dependencies(tessaro_sim_tests tessaro-programmer-sim)
gtest_discover_tests(tessaro_sim_tests DISCOVERY_TIMEOUT 60)
