# qp_version_info(TARGET FILE-NAME DESCRIPTION FILE-TYPE): gives the target a version
# resource with the project's version, the product name Quillpost and a description.
function(qp_version_info target file_name description file_type)
  set(QP_FILE_NAME ${file_name})
  set(QP_FILE_DESCRIPTION ${description})
  set(QP_FILE_TYPE ${file_type})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
