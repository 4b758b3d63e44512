# The release for Windows users, made with the product: the stripped DLL, the text for
# Windows users and the licence in gen_g15_velm-<version>-win32.zip, and its SHA-256 beside
# it. `make release` (the target release) copies both into dist/.
find_program(VELM_ZIP zip REQUIRED)

set(VELM_RELEASE_NAME gen_g15_velm-${PROJECT_VERSION}-win32)
set(VELM_RELEASE_ZIP ${PROJECT_BINARY_DIR}/${VELM_RELEASE_NAME}.zip)
set(release_inputs ${PROJECT_SOURCE_DIR}/packaging/README-Windows.txt
    ${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_CURRENT_LIST_DIR}/MakeRelease.cmake)
add_custom_command(OUTPUT ${VELM_RELEASE_ZIP} ${VELM_RELEASE_ZIP}.sha256
    COMMAND ${CMAKE_COMMAND} -DSTRIP=${VELM_STRIP} -DDLL=$<TARGET_FILE:gen_g15_velm>
        -DREADME=${PROJECT_SOURCE_DIR}/packaging/README-Windows.txt
        -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE -DVERSION=${PROJECT_VERSION}
        -DSTAGE=${PROJECT_BINARY_DIR}/release -DZIP=${VELM_RELEASE_ZIP} -DZIP_PROGRAM=${VELM_ZIP}
        -P ${CMAKE_CURRENT_LIST_DIR}/MakeRelease.cmake
    DEPENDS gen_g15_velm ${release_inputs}
    COMMENT "Release ${VELM_RELEASE_NAME}.zip")
add_custom_target(release_zip ALL DEPENDS ${VELM_RELEASE_ZIP})

add_custom_target(release
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_SOURCE_DIR}/dist
    COMMAND ${CMAKE_COMMAND} -E copy ${VELM_RELEASE_ZIP} ${VELM_RELEASE_ZIP}.sha256
        ${PROJECT_SOURCE_DIR}/dist
    COMMAND ${CMAKE_COMMAND} -E echo "dist/${VELM_RELEASE_NAME}.zip and its .sha256"
    DEPENDS release_zip)
