# The CMake package (find_package(zarvowindow CONFIG)) and the ZIP a Windows
# developer downloads (cpack -G ZIP), both laid out as `cmake --install` does.
include(CMakePackageConfigHelpers)

set(ZARVO_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zarvowindow)
install(EXPORT zarvowindowTargets NAMESPACE zarvowindow:: DESTINATION ${ZARVO_PACKAGE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/zarvowindowConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/zarvowindowConfig.cmake
                              INSTALL_DESTINATION ${ZARVO_PACKAGE_DIR})
# Within one major version the exports and the notifications keep their meaning.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/zarvowindowConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${CMAKE_BINARY_DIR}/zarvowindowConfig.cmake
              ${CMAKE_BINARY_DIR}/zarvowindowConfigVersion.cmake
        DESTINATION ${ZARVO_PACKAGE_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)

set(CPACK_PACKAGE_NAME zarvowindow)
set(CPACK_PACKAGE_VENDOR zarvowindow)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Notifications about the top-level windows of every 64-bit process on the desktop")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
include(CPack)
