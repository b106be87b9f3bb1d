# The program's version resource: the VS_VERSIONINFO block made at build time from the
# project's VERSION by tools/make_version_resource, compiled into an ELF section of every
# program that links `consumer` (the tracker, and the tests that start the tracker's windows),
# where TGtVersionInfo reads it back from the program file.
function(zv_version_resource consumer)
  set(output ${CMAKE_BINARY_DIR}/generated/VersionResource.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
    COMMAND make_version_resource ${output} ${PROJECT_VERSION}
    DEPENDS make_version_resource
    COMMENT "Writing the version block of ${PROJECT_NAME} ${PROJECT_VERSION}"
    VERBATIM)
  add_library(zv_version_resource OBJECT ${output})
  target_sources(${consumer} INTERFACE $<TARGET_OBJECTS:zv_version_resource>)
endfunction()
