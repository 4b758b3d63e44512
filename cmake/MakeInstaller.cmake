# Makes the installer (cmake -P; see Release.cmake) from the DLL staged for the zip, and its
# SHA-256 beside it. Warnings of makensis are errors.
get_filename_component(name ${OUTFILE} NAME)
file(REMOVE ${OUTFILE})
execute_process(COMMAND ${MAKENSIS} -V2 -WX -DVERSION=${VERSION} -DDLL=${DLL}
        -DOUTFILE=${OUTFILE} ${SCRIPT}
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "makensis could not make ${name}")
endif()
file(SHA256 ${OUTFILE} hash)
file(WRITE ${OUTFILE}.sha256 "${hash}  ${name}\n")
