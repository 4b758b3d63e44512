# Makes the release zip (cmake -P; see Release.cmake). The texts get Windows line ends. The zip
# depends on the files' bytes alone: every entry carries the same time and mode, and zip -X
# leaves out what else a Unix file has (owner, access and change times), which cmake's own
# archives keep.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
# strip writes the time of day into the PE header, unless SOURCE_DATE_EPOCH gives it one: 0,
# as the linker leaves it (--no-insert-timestamp).
execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
        ${STRIP} --strip-all -o ${STAGE}/gen_g15_velm.dll ${DLL}
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

set(files gen_g15_velm.dll README.txt LICENSE.txt)
list(TRANSFORM files PREPEND ${STAGE}/ OUTPUT_VARIABLE paths)
file(CHMOD ${paths} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# zip stores local times: in UTC this is 2000-01-01 00:00 everywhere.
execute_process(COMMAND touch -d @946684800 ${paths} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "could not set the times of the files for the zip")
endif()
get_filename_component(zip_name ${ZIP} NAME)
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP_PROGRAM} -X -D -q ${ZIP} ${files}
    WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "could not make ${ZIP}")
endif()
file(SHA256 ${ZIP} hash)
file(WRITE ${ZIP}.sha256 "${hash}  ${zip_name}\n")
