# Makes the release zip (cmake -P; see Release.cmake). The texts get Windows line ends; every
# file in the zip carries the same time, so the same DLL gives the same zip.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
execute_process(COMMAND ${STRIP} --strip-all -o ${STAGE}/gen_g15_velm.dll ${DLL}
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${STRIP} could not strip ${DLL}")
endif()

function(windows_text source target)
    file(READ ${source} text)
    string(REPLACE "@PROJECT_VERSION@" "${VERSION}" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${STAGE}/${target} "${text}")
endfunction()
windows_text(${README} README.txt)
windows_text(${LICENSE} LICENSE.txt)

get_filename_component(zip_name ${ZIP} NAME)
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip --mtime=2000-01-01
        gen_g15_velm.dll README.txt LICENSE.txt
    WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "could not make ${ZIP}")
endif()
file(SHA256 ${ZIP} hash)
file(WRITE ${ZIP}.sha256 "${hash}  ${zip_name}\n")
