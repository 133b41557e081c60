# SPDX-License-Identifier: GPL-3.0-or-later
# Run inside `cmake --install` and cpack by rovadod_install_configured().
# The paths it writes are the final ones under CMAKE_INSTALL_PREFIX: a staged
# install (DESTDIR, as packagers do) must not leak its staging folder.

function(rovadod_installed_dir out dir)
    if(IS_ABSOLUTE "${dir}")
        set(${out} "${dir}" PARENT_SCOPE)
    else()
        set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
    endif()
endfunction()

rovadod_installed_dir(bindir "${rovadod_bindir}")
rovadod_installed_dir(datadir "${rovadod_datadir}")
rovadod_installed_dir(libexecdir "${rovadod_libexecdir}")
rovadod_installed_dir(destination "${rovadod_destination}")

set(ROVADOD_PROGRAM "${bindir}/rovadod")
set(ROVADOD_DEMO_DIR "${datadir}/rovadod")
set(ROVADOD_LAUNCHER "${libexecdir}/rovadod/rovadod-launcher")

# A desktop file's Exec needs quotes around a path with a space or another
# reserved character, a backslash before " ` $ and \ inside them, and then
# every backslash doubled, as in any string value of the file.
function(rovadod_desktop_exec out path)
    if(path MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
        string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" escaped "${path}")
        string(REPLACE "\\" "\\\\" escaped "${escaped}")
        set(exec "\"${escaped}\"")
    else()
        set(exec "${path}")
    endif()
    # A percent sign starts a field code (%f, %u ...) anywhere in Exec.
    string(REPLACE "%" "%%" exec "${exec}")
    set(${out} "${exec}" PARENT_SCOPE)
endfunction()
rovadod_desktop_exec(ROVADOD_LAUNCHER_EXEC "${ROVADOD_LAUNCHER}")
rovadod_desktop_exec(ROVADOD_EXPLORER_EXEC "${bindir}/rovadod-explorer")

# The launcher holds these two as shell words in single quotes.
foreach(var ROVADOD_PROGRAM ROVADOD_DEMO_DIR)
    string(REPLACE "'" "'\\''" quoted "${${var}}")
    set(${var}_SH "'${quoted}'")
endforeach()

# Manual pages hold them as roff text: a backslash and a hyphen written as
# such, a space that does not split a macro argument, and a break point after
# every slash, so that a deep prefix still fits the line.
foreach(var ROVADOD_LAUNCHER ROVADOD_DEMO_DIR)
    string(REPLACE "\\" "\\e" roff "${${var}}")
    string(REPLACE "-" "\\-" roff "${roff}")
    string(REPLACE " " "\\ " roff "${roff}")
    string(REPLACE "/" "/\\:" roff "${roff}")
    set(${var}_ROFF "${roff}")
endforeach()

# One work folder per destination, so two installs to different prefixes
# never pick up each other's file.
string(SHA1 key "$ENV{DESTDIR}|${CMAKE_INSTALL_PREFIX}")
set(made "${rovadod_work_dir}/${key}/${rovadod_name}")
configure_file("${rovadod_template}" "${made}" @ONLY)
if(rovadod_gzip)
    execute_process(COMMAND gzip -9n -c "${made}" OUTPUT_FILE "${made}.gz" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "gzip ${made} failed: ${rc}")
    endif()
    set(made "${made}.gz")
endif()

if(rovadod_program)
    set(type PROGRAM)
else()
    set(type FILE)
endif()
# file(INSTALL) adds DESTDIR and records the file in the install manifest.
file(INSTALL DESTINATION "${destination}" TYPE ${type} FILES "${made}")
