# The release for Windows users, made with the product: the stripped DLL, the text for
# Windows users and the licence in gen_g15_velm-<version>-win32.zip; the installer
# gen_g15_velm-<version>-setup.exe with the same DLL; each with its SHA-256 beside it.
# `make release` (the target release) copies them into dist/.
find_program(VELM_ZIP zip REQUIRED)
find_program(VELM_MAKENSIS makensis REQUIRED)

set(VELM_RELEASE_NAME gen_g15_velm-${PROJECT_VERSION}-win32)
set(VELM_RELEASE_ZIP ${PROJECT_BINARY_DIR}/${VELM_RELEASE_NAME}.zip)
set(VELM_RELEASE_STAGE ${PROJECT_BINARY_DIR}/release)
set(release_inputs ${PROJECT_SOURCE_DIR}/packaging/README-Windows.txt
    ${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_CURRENT_LIST_DIR}/MakeRelease.cmake)
add_custom_command(OUTPUT ${VELM_RELEASE_ZIP} ${VELM_RELEASE_ZIP}.sha256
    COMMAND ${CMAKE_COMMAND} -DSTRIP=${VELM_STRIP} -DDLL=$<TARGET_FILE:gen_g15_velm>
        -DREADME=${PROJECT_SOURCE_DIR}/packaging/README-Windows.txt
        -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE -DVERSION=${PROJECT_VERSION}
        -DSTAGE=${VELM_RELEASE_STAGE} -DZIP=${VELM_RELEASE_ZIP} -DZIP_PROGRAM=${VELM_ZIP}
        -P ${CMAKE_CURRENT_LIST_DIR}/MakeRelease.cmake
    DEPENDS gen_g15_velm ${release_inputs}
    COMMENT "Release ${VELM_RELEASE_NAME}.zip")
add_custom_target(release_zip ALL DEPENDS ${VELM_RELEASE_ZIP})

set(VELM_INSTALLER_NAME gen_g15_velm-${PROJECT_VERSION}-setup.exe)
set(VELM_INSTALLER ${PROJECT_BINARY_DIR}/${VELM_INSTALLER_NAME})
set(VELM_INSTALLER_SCRIPT ${PROJECT_SOURCE_DIR}/packaging/installer.nsi)
# It carries the DLL staged for the zip. That file bears the zip's fixed time, which says
# nothing of when it changed: the installer is made again whenever the zip is.
add_custom_command(OUTPUT ${VELM_INSTALLER} ${VELM_INSTALLER}.sha256
    COMMAND ${CMAKE_COMMAND} -DMAKENSIS=${VELM_MAKENSIS} -DSCRIPT=${VELM_INSTALLER_SCRIPT}
        -DDLL=${VELM_RELEASE_STAGE}/gen_g15_velm.dll -DVERSION=${PROJECT_VERSION}
        -DOUTFILE=${VELM_INSTALLER} -P ${CMAKE_CURRENT_LIST_DIR}/MakeInstaller.cmake
    DEPENDS ${VELM_RELEASE_ZIP} ${VELM_INSTALLER_SCRIPT}
        ${CMAKE_CURRENT_LIST_DIR}/MakeInstaller.cmake
    COMMENT "Release ${VELM_INSTALLER_NAME}")
add_custom_target(release_installer ALL DEPENDS ${VELM_INSTALLER})

add_custom_target(release
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_SOURCE_DIR}/dist
    COMMAND ${CMAKE_COMMAND} -E copy ${VELM_RELEASE_ZIP} ${VELM_RELEASE_ZIP}.sha256
        ${VELM_INSTALLER} ${VELM_INSTALLER}.sha256 ${PROJECT_SOURCE_DIR}/dist
    COMMAND ${CMAKE_COMMAND} -E echo
        "dist/${VELM_RELEASE_NAME}.zip, dist/${VELM_INSTALLER_NAME} and their .sha256"
    DEPENDS release_zip release_installer)
