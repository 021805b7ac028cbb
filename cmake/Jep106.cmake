# Turns data/jep106.tsv (key, bank, code, name) into a C++ table at build time.
set(JEP106_TSV "${PROJECT_SOURCE_DIR}/data/jep106.tsv")
set(JEP106_INC "${PROJECT_BINARY_DIR}/generated/jep106_rows.inc")
add_custom_command(
  OUTPUT "${JEP106_INC}"
  COMMAND "${CMAKE_COMMAND}" -DIN=${JEP106_TSV} -DOUT=${JEP106_INC}
          -P "${PROJECT_SOURCE_DIR}/cmake/Jep106Generate.cmake"
  DEPENDS "${JEP106_TSV}" "${PROJECT_SOURCE_DIR}/cmake/Jep106Generate.cmake"
  COMMENT "Generating the JEP106 manufacturer table"
  VERBATIM)
add_custom_target(jep106_table DEPENDS "${JEP106_INC}")
