# Release packages of the Windows build:
#   cmake --build --preset windows --target package
# leaves exactly two files in <build>/package:
#   VelantPro-<version>-setup.exe     per-user installer (NSIS, no administrator rights)
#   VelantPro-<version>-portable.zip  the program alone, to run from any folder
# Both ship <build>/dist/VelantPro.exe: the program stripped of its debug information,
# which stays beside it in VelantPro.exe.debug (found by debuggers through the exe's
# debug link) and is not shipped.

if(NOT WIN32)
  return()
endif()

# The version comes from the one header that holds it.
file(STRINGS ${VELANT_SRC}/app/resources/version.h version_lines
     REGEX "^#define VELANT_VERSION_(MAJOR|MINOR|PATCH) +[0-9]+")
foreach(part IN ITEMS MAJOR MINOR PATCH)
  if(NOT version_lines MATCHES "VELANT_VERSION_${part} +([0-9]+)")
    message(FATAL_ERROR "version.h has no VELANT_VERSION_${part}")
  endif()
  set(VELANT_VERSION_${part} ${CMAKE_MATCH_1})
endforeach()
set(VELANT_VERSION ${VELANT_VERSION_MAJOR}.${VELANT_VERSION_MINOR}.${VELANT_VERSION_PATCH})

# The shipped exe: the build's optimised program (-O2) without symbols, and no larger
# than the budget below.
set(VELANT_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(VELANT_EXE_BUDGET 2097152)
add_custom_command(
  OUTPUT ${VELANT_DIST_DIR}/VelantPro.exe ${VELANT_DIST_DIR}/VelantPro.exe.debug
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELANT_DIST_DIR}
  COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:VelantPro> VelantPro.exe.debug
  COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=VelantPro.exe.debug
          $<TARGET_FILE:VelantPro> VelantPro.exe
  COMMAND ${CMAKE_COMMAND} -DFILE=${VELANT_DIST_DIR}/VelantPro.exe -DBUDGET=${VELANT_EXE_BUDGET}
          -P ${CMAKE_SOURCE_DIR}/packaging/CheckSize.cmake
  DEPENDS VelantPro ${CMAKE_SOURCE_DIR}/packaging/CheckSize.cmake
  WORKING_DIRECTORY ${VELANT_DIST_DIR}
  COMMENT "Stripping VelantPro.exe for release (debug information in dist/VelantPro.exe.debug)"
  VERBATIM)
add_custom_target(velant_dist ALL DEPENDS ${VELANT_DIST_DIR}/VelantPro.exe)
install(PROGRAMS ${VELANT_DIST_DIR}/VelantPro.exe DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME VelantPro)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Velant! Pro 2001: wallpapers, screensaver and desktop from the notification area")
set(CPACK_PACKAGE_VERSION ${VELANT_VERSION})
set(CPACK_PACKAGE_VERSION_MAJOR ${VELANT_VERSION_MAJOR})
set(CPACK_PACKAGE_VERSION_MINOR ${VELANT_VERSION_MINOR})
set(CPACK_PACKAGE_VERSION_PATCH ${VELANT_VERSION_PATCH})
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Velant! Pro 2001")
set(CPACK_STRIP_FILES OFF)
# CPack works in a folder of its own; the post-build step copies the finished packages
# into the package folder, which so holds nothing else.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/cpack)
set(CPACK_VELANT_OUTPUT_DIR ${CMAKE_BINARY_DIR}/package)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/packaging/CollectPackages.cmake)
# Each generator's file name ("-setup", "-portable").
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/packaging/PerGenerator.cmake)
# The installer script is the project's own (packaging/NSIS.template.in).
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_SOURCE_DIR}/packaging)
set(CPACK_VELANT_ICON ${VELANT_SRC}/app/resources/VelantPro.ico)
include(CPack)

# The install test (tests/install) looks at the installed program through this.
if(BUILD_TESTING)
  add_executable(velant_install_probe ${CMAKE_SOURCE_DIR}/tests/install/InstallProbe.c)
  velant_target(velant_install_probe)
  target_link_libraries(velant_install_probe PRIVATE user32 shell32 advapi32)
  set_target_properties(velant_install_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()
