# The same sources give the same DLL, zip and installer wherever they are built: builds them
# again, afresh, in another folder (AGAIN, a path of another length) and compares them byte
# for byte with this build's. Then checks that the DLL names neither its source nor its build
# folder, which a build elsewhere would name differently.
file(REMOVE_RECURSE ${AGAIN})
file(MAKE_DIRECTORY ${AGAIN})
set(log ${AGAIN}/what-the-build-said.log)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${AGAIN} -G ${GENERATOR}
        -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    OUTPUT_FILE ${log} ERROR_FILE ${log} RESULT_VARIABLE failed)
if(NOT failed)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${AGAIN} --target release_installer -j2
        OUTPUT_FILE ${log} ERROR_FILE ${log} RESULT_VARIABLE failed)
endif()
if(failed)
    file(READ ${log} output)
    message(FATAL_ERROR "the second build failed:\n${output}")
endif()

foreach(file gen_g15_velm.dll ${ZIP_NAME} ${INSTALLER_NAME})
    file(SHA256 ${BUILT}/${file} first)
    file(SHA256 ${AGAIN}/${file} second)
    if(NOT first STREQUAL second)
        file(SIZE ${BUILT}/${file} first_size)
        file(SIZE ${AGAIN}/${file} second_size)
        message(FATAL_ERROR "${file} differs between two builds of the same sources: "
            "${first_size} bytes in ${BUILT}, ${second_size} in ${AGAIN}")
    endif()
endforeach()

file(READ ${AGAIN}/gen_g15_velm.dll bytes HEX)
foreach(folder ${SOURCE} ${AGAIN})
    string(HEX "${folder}" wanted)
    string(FIND "${bytes}" "${wanted}" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "gen_g15_velm.dll names the folder ${folder}")
    endif()
endforeach()
file(REMOVE_RECURSE ${AGAIN})
message(STATUS "gen_g15_velm.dll, ${ZIP_NAME} and ${INSTALLER_NAME}: the same from two builds")
