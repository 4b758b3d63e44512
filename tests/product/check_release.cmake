# Opens the release zip as a user would and checks what is in it: the three files, a stripped
# DLL that passes the product's own checks (check_dll.cmake) and carries the project's
# version, texts with Windows line ends, and a SHA-256 file that matches the zip.
set(unpacked ${WORK}/unpacked)
file(REMOVE_RECURSE ${unpacked})
file(MAKE_DIRECTORY ${unpacked})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${unpacked}
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot open ${ZIP}")
endif()

file(GLOB entries RELATIVE ${unpacked} ${unpacked}/*)
list(SORT entries)
if(NOT entries STREQUAL "LICENSE.txt;README.txt;gen_g15_velm.dll")
    message(FATAL_ERROR "expected LICENSE.txt, README.txt and gen_g15_velm.dll; the zip holds: ${entries}")
endif()

set(DLL ${unpacked}/gen_g15_velm.dll)
include(${CMAKE_CURRENT_LIST_DIR}/check_dll.cmake)

execute_process(COMMAND ${OBJDUMP} -h ${DLL} OUTPUT_VARIABLE sections)
if(sections MATCHES "\\.debug_")
    message(FATAL_ERROR "the DLL in the zip keeps its debug information")
endif()
execute_process(COMMAND ${OBJDUMP} -t ${DLL} OUTPUT_VARIABLE symbols)
if(symbols MATCHES "\\[ *[0-9]+\\]")
    message(FATAL_ERROR "the DLL in the zip keeps its symbol table")
endif()

execute_process(COMMAND ${WINDRES} -i ${DLL} -O rc OUTPUT_VARIABLE resources
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "windres cannot read the DLL's resources")
endif()
string(REPLACE "." ", " numbers "${VERSION}")
if(NOT resources MATCHES "FILEVERSION ${numbers}, 0\n")
    message(FATAL_ERROR "expected FILEVERSION ${numbers}, 0 in the DLL's version resource:\n${resources}")
endif()
foreach(value FileVersion ProductVersion)
    if(NOT resources MATCHES "VALUE \"${value}\", \"${VERSION}\"")
        message(FATAL_ERROR "expected ${value} ${VERSION} in the DLL's version resource:\n${resources}")
    endif()
endforeach()
# What the file's properties show as its maker and copyright.
foreach(expected "CompanyName\", \"the gen_g15_velm authors\""
        "LegalCopyright\", \"Copyright (c) 2026 the gen_g15_velm authors; MIT licence\"")
    string(FIND "${resources}" "VALUE \"${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "expected VALUE \"${expected} in the DLL's version resource:\n${resources}")
    endif()
endforeach()

# Read as bytes: a plain file(READ) drops the carriage returns.
function(expect_line file line)
    file(READ ${unpacked}/${file} bytes HEX)
    string(HEX "${line}" wanted)
    if(NOT bytes MATCHES "${wanted}0d0a")
        message(FATAL_ERROR "${file} has no line '${line}' ended by CR LF")
    endif()
endfunction()
expect_line(README.txt "Velm's G15 Plugin for Winamp, version ${VERSION}")
expect_line(LICENSE.txt "MIT License")

file(SHA256 ${ZIP} hash)
get_filename_component(name ${ZIP} NAME)
file(READ ${ZIP}.sha256 recorded)
if(NOT recorded STREQUAL "${hash}  ${name}\n")
    message(FATAL_ERROR "${name}.sha256 holds '${recorded}', the zip's SHA-256 is ${hash}")
endif()
file(SIZE ${ZIP} size)
message(STATUS "${name}: ${size} bytes, as expected")
