# The installation: the file type, the serial-port permission advice, the
# manual pages against the --help texts, the bash completion, and the tree
# "cmake --install" gives with its programs working from there.
add_executable(tessaro_packaging_tests packaging_test.cpp testsupport.cpp)
target_link_libraries(tessaro_packaging_tests PRIVATE tessaro_device tessaro_files GTest::gtest_main Qt6::Core)
target_compile_definitions(tessaro_packaging_tests PRIVATE
  TESSARO_CORPUS_DIR="${TESSARO_CORPUS_DIR}"
  TESSARO_CLI="$<TARGET_FILE:tessaro-cli>"
  TESSARO_MIME_PACKAGE="${PROJECT_SOURCE_DIR}/packaging/tessaro-mime.xml")
gtest_discover_tests(tessaro_packaging_tests DISCOVERY_TIMEOUT 60)

find_program(BASH_PROGRAM bash)
if(BASH_PROGRAM)
  set(man_dir "${PROJECT_BINARY_DIR}/packaging/man")
  add_test(NAME manpage.tessaro-cli
           COMMAND "${BASH_PROGRAM}" "${CMAKE_CURRENT_SOURCE_DIR}/manpage_check.sh"
                   "$<TARGET_FILE:tessaro-cli>" "${man_dir}/tessaro-cli.1" --commands)
  if(TARGET tessaro-programmer-sim)
    add_test(NAME manpage.tessaro-programmer-sim
             COMMAND "${BASH_PROGRAM}" "${CMAKE_CURRENT_SOURCE_DIR}/manpage_check.sh"
                     "$<TARGET_FILE:tessaro-programmer-sim>" "${man_dir}/tessaro-programmer-sim.1")
  endif()
  if(TARGET tessaro-spdrw-sim)
    add_test(NAME manpage.tessaro-spdrw-sim
             COMMAND "${BASH_PROGRAM}" "${CMAKE_CURRENT_SOURCE_DIR}/manpage_check.sh"
                     "$<TARGET_FILE:tessaro-spdrw-sim>" "${man_dir}/tessaro-spdrw-sim.1")
  endif()
  if(TARGET tessaro)
    add_test(NAME manpage.tessaro
             COMMAND "${BASH_PROGRAM}" "${CMAKE_CURRENT_SOURCE_DIR}/manpage_check.sh"
                     "$<TARGET_FILE:tessaro>" "${man_dir}/tessaro.1")
    # The whole tree needs every program.
    if(TARGET tessaro-programmer-sim)
      add_test(NAME install.tree
               COMMAND "${BASH_PROGRAM}" "${CMAKE_CURRENT_SOURCE_DIR}/install_check.sh"
                       "${PROJECT_BINARY_DIR}" "${PROJECT_SOURCE_DIR}")
      set_tests_properties(install.tree PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
    endif()
  endif()
  add_test(NAME completion.tessaro-cli
           COMMAND "${BASH_PROGRAM}" "${CMAKE_CURRENT_SOURCE_DIR}/completion_check.sh"
                   "$<TARGET_FILE:tessaro-cli>" "${PROJECT_SOURCE_DIR}/packaging/completion/tessaro-cli")
  set_tests_properties(completion.tessaro-cli PROPERTIES SKIP_RETURN_CODE 77)
endif()
