# Application manifests, written for the architecture of this build: every program runs asInvoker (so that
# 32-bit Windows never runs one under file virtualisation, where a write to Program Files lands in a hidden
# per-user copy), with Common Controls 6 and DPI awareness.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(NIVEX_MANIFEST_ARCH x86)
else()
  set(NIVEX_MANIFEST_ARCH amd64)
endif()
set(NIVEX_MANIFEST_DIR ${CMAKE_BINARY_DIR}/generated/manifests)

# Writes <file>.manifest into NIVEX_MANIFEST_DIR, where the programs' resource scripts find it.
function(nivex_manifest file name description)
  set(MANIFEST_NAME ${name})
  set(MANIFEST_DESCRIPTION ${description})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/program.manifest.in ${NIVEX_MANIFEST_DIR}/${file}.manifest @ONLY)
endfunction()
