# Read by CPack once per generator: the file name of each package.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "VelantPro-${CPACK_PACKAGE_VERSION}-setup")
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_PACKAGE_FILE_NAME "VelantPro-${CPACK_PACKAGE_VERSION}-portable")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
