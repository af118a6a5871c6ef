# cmake -DSOURCE=file -DTARGET_DIR=folder -P CopyIfPresent.cmake: copies the file into the folder when it
# exists (and differs); says so and does nothing when it does not.
if(EXISTS "${SOURCE}")
  file(MAKE_DIRECTORY "${TARGET_DIR}")
  get_filename_component(name "${SOURCE}" NAME)
  execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${SOURCE}" "${TARGET_DIR}/${name}")
else()
  message(STATUS "${SOURCE} is not built: 32-bit servers will name the missing helper.")
endif()
