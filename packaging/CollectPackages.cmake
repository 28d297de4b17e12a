# Run by CPack after each generator: copies its package into the package folder and
# removes that generator's packages of other versions, so the folder holds exactly one
# installer and one portable archive.
file(MAKE_DIRECTORY "${CPACK_VELANT_OUTPUT_DIR}")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  if(NOT name MATCHES "^${CPACK_PACKAGE_NAME}-.*-([a-z]+\\.[a-z]+)$")
    message(FATAL_ERROR "unexpected package name: ${name}")
  endif()
  file(GLOB older "${CPACK_VELANT_OUTPUT_DIR}/${CPACK_PACKAGE_NAME}-*-${CMAKE_MATCH_1}")
  if(older)
    file(REMOVE ${older})
  endif()
  file(COPY_FILE "${package}" "${CPACK_VELANT_OUTPUT_DIR}/${name}")
  message(STATUS "Package: ${CPACK_VELANT_OUTPUT_DIR}/${name}")
endforeach()
