# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for the install and package checks (cmake -P scripts).

cmake_policy(VERSION 3.25)

# Failures are counted, not fatal, so that one run reports all of them.
set_property(GLOBAL PROPERTY rovadod_failures 0)
function(fail msg)
    message(SEND_ERROR "${msg}")
    get_property(n GLOBAL PROPERTY rovadod_failures)
    math(EXPR n "${n} + 1")
    set_property(GLOBAL PROPERTY rovadod_failures ${n})
endfunction()

# Ends the script, failing it when any check failed.
function(finish ok_message)
    get_property(n GLOBAL PROPERTY rovadod_failures)
    if(n GREATER 0)
        message(FATAL_ERROR "${n} check(s) failed")
    endif()
    message(STATUS "${ok_message}")
endfunction()

macro(run_ok what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        fail("${what} failed (${rc}):\n${out}${err}")
    endif()
endmacro()

# A stand-in for the window that prints the folder it was started in.
function(make_probe path)
    file(WRITE "${path}" "#!/bin/sh\npwd -P\n")
    file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endfunction()

# expect_launch(<what> <launcher> <probe> <expected folder> [VAR=value | --unset=VAR]...)
# Runs the launcher with a clean XDG_DATA_HOME and HOME plus the settings
# given, from CWD when that is set, and checks where it started the probe.
function(expect_launch what launcher probe expected)
    if(NOT CWD)
        set(CWD "${CMAKE_CURRENT_BINARY_DIR}")
    endif()
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env --unset=XDG_DATA_HOME --unset=HOME
                "ROVADOD_PROGRAM=${probe}" ${ARGN} "${launcher}"
        WORKING_DIRECTORY "${CWD}"
        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    file(REAL_PATH "${expected}" expected_real)
    if(NOT rc EQUAL 0)
        fail("launcher, ${what}: exit status ${rc}\n${out}${err}")
    elseif(NOT out STREQUAL expected_real)
        fail("launcher, ${what}: started the program in '${out}', expected '${expected_real}'\n${err}")
    endif()
endfunction()

# The text of a file, decompressed when it ends in .gz.
function(read_text out path)
    if(path MATCHES "\\.gz$")
        execute_process(COMMAND gzip -dc "${path}" RESULT_VARIABLE rc OUTPUT_VARIABLE text
                        ERROR_VARIABLE err)
        if(NOT rc EQUAL 0)
            fail("gzip -dc ${path} failed (${rc}): ${err}")
        endif()
    else()
        file(READ "${path}" text)
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Manual page: renders without a warning from groff, and documents every
# option that `<program> --help` shows.
function(check_manual_page page program)
    execute_process(COMMAND gzip -dc "${page}"
                    COMMAND "${GROFF}" -ww -man -Tutf8
                    RESULT_VARIABLE rc OUTPUT_VARIABLE rendered ERROR_VARIABLE warnings)
    if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
        fail("groff -ww -man -Tutf8 ${page} (${rc}):\n${warnings}")
    endif()
    if(rendered STREQUAL "")
        fail("${page} renders to nothing")
    endif()
    if(NOT program)
        return()
    endif()
    execute_process(COMMAND "${program}" --help RESULT_VARIABLE rc OUTPUT_VARIABLE help
                    ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        fail("${program} --help failed (${rc}): ${err}")
        return()
    endif()
    read_text(source "${page}")
    string(REPLACE "\\-" "-" source "${source}")
    # Options as the help writes them: "-h", "--near"; not the dash inside
    # "rovadod-check" or the "-NONE-" of a report.
    string(REGEX MATCHALL "(^|[^A-Za-z0-9-])--?[A-Za-z][A-Za-z-]*" candidates "${help}")
    set(options "")
    foreach(c IN LISTS candidates)
        string(REGEX REPLACE "^[^-]" "" c "${c}")
        if(c MATCHES "^--[A-Za-z]" OR c MATCHES "^-[A-Za-z]$")
            list(APPEND options "${c}")
        endif()
    endforeach()
    list(REMOVE_DUPLICATES options)
    if(NOT options)
        fail("${program} --help shows no option at all")
    endif()
    foreach(option IN LISTS options)
        if(NOT source MATCHES "(^|[^A-Za-z0-9-])${option}([^A-Za-z0-9-]|$)")
            fail("${page} does not document ${option}, which ${program} --help shows")
        endif()
    endforeach()
    # And the other way: the page documents no option the program lacks.
    string(REGEX MATCHALL "(^|[^A-Za-z0-9-])--[A-Za-z][A-Za-z-]*" documented "${source}")
    foreach(d IN LISTS documented)
        string(REGEX REPLACE "^[^-]" "" d "${d}")
        if(NOT d IN_LIST options)
            fail("${page} documents ${d}, which ${program} --help does not show")
        endif()
    endforeach()
endfunction()
