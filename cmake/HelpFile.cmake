# The help file Nivex.chm, compiled with chmcmd (Debian package fp-utils-3.2.2) from data/help and the
# pop-up texts of src/auxiliary/help_texts.inc. Skipped, with a message, when chmcmd is not installed.
find_program(NIVEX_CHMCMD chmcmd)
find_program(NIVEX_ENUM_CHMLIB enum_chmLib)
find_program(NIVEX_EXTRACT_CHMLIB extract_chmLib)
set(NIVEX_HELP_FILE ${CMAKE_BINARY_DIR}/bin/Nivex.chm)
if(NIVEX_CHMCMD)
  file(GLOB_RECURSE nivex_help_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/help/*)
  add_custom_command(OUTPUT ${NIVEX_HELP_FILE}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}/data/help
            -DTEXTS=${PROJECT_SOURCE_DIR}/src/auxiliary/help_texts.inc -DWORK=${CMAKE_BINARY_DIR}/help
            -DCHMCMD=${NIVEX_CHMCMD} -DENUM_CHMLIB=${NIVEX_ENUM_CHMLIB} -DEXTRACT_CHMLIB=${NIVEX_EXTRACT_CHMLIB} -DOUTPUT=${NIVEX_HELP_FILE}
            -P ${PROJECT_SOURCE_DIR}/cmake/BuildHelp.cmake
    DEPENDS ${nivex_help_sources} ${PROJECT_SOURCE_DIR}/src/auxiliary/help_texts.inc
            ${PROJECT_SOURCE_DIR}/cmake/BuildHelp.cmake
    COMMENT "Compiling the help file Nivex.chm"
    VERBATIM)
  add_custom_target(nivex_help ALL DEPENDS ${NIVEX_HELP_FILE})
else()
  message(STATUS "chmcmd was not found (Debian package fp-utils-3.2.2): the help file Nivex.chm is not built")
  add_custom_target(nivex_help ALL
    COMMAND ${CMAKE_COMMAND} -E echo "chmcmd was not found (install fp-utils-3.2.2): Nivex.chm is not built")
endif()
