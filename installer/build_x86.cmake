# Configures (once) and builds the x86 programs for the installer. Inputs: SOURCE_DIR, X86_DIR.
if(NOT EXISTS "${X86_DIR}/CMakeCache.txt")
  execute_process(COMMAND ${CMAKE_COMMAND} --preset windows-x86 -B "${X86_DIR}" WORKING_DIRECTORY "${SOURCE_DIR}"
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Configuring the x86 build in ${X86_DIR} failed (cmake --preset windows-x86).")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build "${X86_DIR}" -j 2 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "Building the x86 programs in ${X86_DIR} failed.")
endif()
