# Checks the installer as a file: a 32-bit Windows program that starts without asking for
# administrator rights (it asks for them only where the chosen folder needs them), carries the
# project's version and the authors' names, and has a SHA-256 file that matches it. Under
# Wine, tests/wine/installer_host.cpp runs it.
execute_process(COMMAND ${OBJDUMP} -p ${INSTALLER} OUTPUT_VARIABLE headers
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "objdump could not read ${INSTALLER}")
endif()
if(NOT headers MATCHES "file format pei-i386" OR NOT headers MATCHES "\\(Windows GUI\\)")
    message(FATAL_ERROR "${INSTALLER} is not a 32-bit Windows program")
endif()

file(STRINGS ${INSTALLER} levels REGEX "requestedExecutionLevel")
if(NOT levels MATCHES "level=\"asInvoker\"")
    message(FATAL_ERROR "the installer's manifest asks for more than the user's rights: ${levels}")
endif()

execute_process(COMMAND ${WINDRES} -i ${INSTALLER} -O rc OUTPUT_VARIABLE resources
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "windres cannot read the installer's resources")
endif()
foreach(expected "ProductVersion\", \"${VERSION}\"" "FileVersion\", \"${VERSION}\""
        "CompanyName\", \"the gen_g15_velm authors\""
        "LegalCopyright\", \"Copyright (c) 2026 the gen_g15_velm authors; MIT licence\"")
    string(FIND "${resources}" "VALUE \"${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "expected VALUE \"${expected} in the installer's version resource:\n${resources}")
    endif()
endforeach()

file(SHA256 ${INSTALLER} hash)
get_filename_component(name ${INSTALLER} NAME)
file(READ ${INSTALLER}.sha256 recorded)
if(NOT recorded STREQUAL "${hash}  ${name}\n")
    message(FATAL_ERROR "${name}.sha256 holds '${recorded}', the installer's SHA-256 is ${hash}")
endif()
message(STATUS "${name}: as expected")
