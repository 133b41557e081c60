# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -P script: makes the Debian package from BUILD_DIR with cpack and
# checks what apt would install: name, control fields, every file with its
# owner and mode, the paths written into the launcher and desktop file, and
# lintian's verdict when lintian is there.

include("${CMAKE_CURRENT_LIST_DIR}/CheckCommon.cmake")

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake"
                        -B "${WORK_DIR}/out"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cpack -G DEB failed (${rc}):\n${out}${err}")
endif()

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb "${WORK_DIR}/out/rovadod_${VERSION}_${arch}.deb")
file(GLOB debs "${WORK_DIR}/out/*.deb")
if(NOT debs STREQUAL deb)
    message(FATAL_ERROR "cpack made '${debs}', expected just ${deb}")
endif()

# Control fields. Library dependencies come from the binaries, so the Qt
# widgets library must be among them, next to the two named by hand.
foreach(field Package Version Architecture Depends)
    execute_process(COMMAND dpkg-deb -f "${deb}" ${field} OUTPUT_VARIABLE value
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(control_${field} "${value}")
endforeach()
foreach(field_value "Package;rovadod" "Version;${VERSION}" "Architecture;${arch}")
    list(GET field_value 0 field)
    list(GET field_value 1 expected)
    if(NOT control_${field} STREQUAL expected)
        fail("control field ${field} is '${control_${field}}', expected '${expected}'")
    endif()
endforeach()
string(REGEX REPLACE " *\\([^)]*\\)" "" depends "${control_Depends}")
string(REPLACE ", " ";" depends "${depends}")
foreach(needed fonts-urw-base35 qt6-qpa-plugins qt6-image-formats-plugins libqt6widgets6 libqt6core6 libc6)
    if(NOT needed IN_LIST depends)
        fail("Depends lacks ${needed}: '${control_Depends}'")
    endif()
endforeach()

# Every file and folder, owned by root, with the modes apt gives them; and
# nothing else, so a stray install rule shows here.
set(expected_files
    "usr/bin/rovadod|-rwxr-xr-x"
    "usr/bin/rovadod-check|-rwxr-xr-x"
    "usr/libexec/rovadod/rovadod-launcher|-rwxr-xr-x"
    "usr/share/rovadod/ptolemy.csv|-rw-r--r--"
    "usr/share/applications/${APP_ID}.desktop|-rw-r--r--"
    "usr/share/icons/hicolor/scalable/apps/${APP_ID}.svg|-rw-r--r--"
    "usr/share/metainfo/${APP_ID}.metainfo.xml|-rw-r--r--"
    "usr/share/man/man1/rovadod.1.gz|-rw-r--r--"
    "usr/share/man/man1/rovadod-check.1.gz|-rw-r--r--"
    "usr/share/doc/rovadod/copyright|-rw-r--r--"
    "usr/share/doc/rovadod/changelog.gz|-rw-r--r--")
if(FIND)
    list(APPEND expected_files "usr/bin/rovadod-find|-rwxr-xr-x"
         "usr/share/man/man1/rovadod-find.1.gz|-rw-r--r--")
endif()
if(PICTURES)
    list(APPEND expected_files "usr/bin/rovadod-pictures|-rwxr-xr-x"
         "usr/share/man/man1/rovadod-pictures.1.gz|-rw-r--r--")
endif()
file(GLOB_RECURSE demo_pictures RELATIVE "${SOURCE_DIR}/data" "${SOURCE_DIR}/data/images/*")
foreach(f IN LISTS demo_pictures)
    list(APPEND expected_files "usr/share/rovadod/${f}|-rw-r--r--")
endforeach()
if(EXPLORER)
    list(APPEND expected_files "usr/bin/rovadod-explorer|-rwxr-xr-x"
         "usr/share/applications/${EXPLORER_ID}.desktop|-rw-r--r--"
         "usr/share/icons/hicolor/scalable/apps/${EXPLORER_ID}.svg|-rw-r--r--"
         "usr/share/man/man1/rovadod-explorer.1.gz|-rw-r--r--")
endif()

execute_process(COMMAND dpkg-deb -c "${deb}" RESULT_VARIABLE rc OUTPUT_VARIABLE listing)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -c ${deb} failed (${rc})")
endif()
message(STATUS "dpkg-deb -c ${deb}:\n${listing}")
string(REGEX REPLACE "\n$" "" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(found_files "")
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^([-dlrwxs]+) ([^ ]+) +[0-9]+ [0-9-]+ [0-9:]+ \\./(.*)$")
        fail("unexpected dpkg-deb -c line: ${line}")
        continue()
    endif()
    set(mode "${CMAKE_MATCH_1}")
    set(owner "${CMAKE_MATCH_2}")
    set(path "${CMAKE_MATCH_3}")
    if(NOT owner STREQUAL "root/root")
        fail("${path} is owned by ${owner}, not root/root")
    endif()
    if(NOT path MATCHES "^usr/")
        fail("${path} lies outside /usr")
    endif()
    if(mode MATCHES "^d")
        if(NOT mode STREQUAL "drwxr-xr-x")
            fail("folder ${path} has mode ${mode}, not drwxr-xr-x")
        endif()
    else()
        list(APPEND found_files "${path}|${mode}")
    endif()
endforeach()
foreach(entry IN LISTS expected_files)
    if(NOT entry IN_LIST found_files)
        fail("package lacks ${entry} (path|mode)")
    endif()
endforeach()
foreach(entry IN LISTS found_files)
    if(NOT entry IN_LIST expected_files)
        fail("package holds the unexpected ${entry} (path|mode)")
    endif()
endforeach()

# What the files say, unpacked: the final /usr paths, never cpack's staging
# folder or this build tree.
set(root "${WORK_DIR}/root")
run_ok("dpkg-deb -x" dpkg-deb -x "${deb}" "${root}")
file(STRINGS "${root}/usr/share/applications/${APP_ID}.desktop" exec_line REGEX "^Exec=")
if(NOT exec_line STREQUAL "Exec=/usr/libexec/rovadod/rovadod-launcher")
    fail("packaged desktop file has '${exec_line}'")
endif()
if(EXPLORER)
    file(STRINGS "${root}/usr/share/applications/${EXPLORER_ID}.desktop" exec_line
         REGEX "^Exec=")
    if(NOT exec_line STREQUAL "Exec=/usr/bin/rovadod-explorer %f")
        fail("packaged explorer desktop file has '${exec_line}'")
    endif()
endif()
read_text(launcher_text "${root}/usr/libexec/rovadod/rovadod-launcher")
foreach(path "'/usr/bin/rovadod'" "'/usr/share/rovadod'")
    string(FIND "${launcher_text}" "${path}" at)
    if(at EQUAL -1)
        fail("packaged launcher does not name ${path}")
    endif()
endforeach()
file(GLOB_RECURSE texts "${root}/usr/share/*" "${root}/usr/libexec/*")
foreach(f IN LISTS texts)
    if(f MATCHES "\\.(svg|csv|png|webp|tsv)$")
        continue()
    endif()
    read_text(text "${f}")
    foreach(leak "_CPack_Packages" "${BUILD_DIR}")
        string(FIND "${text}" "${leak}" at)
        if(NOT at EQUAL -1)
            fail("packaged ${f} names the build folder (${leak})")
        endif()
    endforeach()
endforeach()
# The packaged launcher is a working script: it finds a catalogue in
# XDG_DATA_HOME (its demo folder exists only once installed).
set(probe "${WORK_DIR}/probe")
make_probe("${probe}")
file(WRITE "${WORK_DIR}/data/rovadod/ptolemy.csv" "")
expect_launch("packaged, own catalogue" "${root}/usr/libexec/rovadod/rovadod-launcher"
              "${probe}" "${WORK_DIR}/data/rovadod" "XDG_DATA_HOME=${WORK_DIR}/data")

# The changelog's newest entry is this version, or a version bump forgot it.
read_text(changelog "${root}/usr/share/doc/rovadod/changelog.gz")
string(REGEX MATCH "^[^\n]*" first "${changelog}")
if(NOT first MATCHES "^rovadod \\(${VERSION}\\) ")
    fail("changelog starts with '${first}', not an entry for ${VERSION}")
endif()

if(LINTIAN)
    execute_process(COMMAND "${LINTIAN}" --display-level ">=pedantic" "${deb}"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE report ERROR_VARIABLE err)
    message(STATUS "lintian (${rc}):\n${report}")
    string(REGEX MATCHALL "(^|\n)E: [^\n]*" errors "${report}")
    if(errors)
        fail("lintian reports errors:\n${errors}")
    endif()
    if(report STREQUAL "" AND NOT rc EQUAL 0)
        fail("lintian failed (${rc}): ${err}")
    endif()
else()
    message(STATUS "lintian not installed: package not linted")
endif()

finish("package OK: ${deb}")
