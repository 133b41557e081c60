# SPDX-License-Identifier: GPL-3.0-or-later
# The core, the tickets, the tools and the fuzzer build without the windows:
# no file of theirs may include a header of the window (ui/), the explorer
# (explorer/) or the programs' entries (app/), however the path is written
# ("ui/x.h", "../ui/x.h", "src/app/x.h").
# Run as: cmake -DSOURCE_DIR=<repo> -P CheckLayers.cmake
set(offenders "")
foreach(dir src/catalogue src/vocab src/lookup src/print tools fuzz)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${dir}/*.h" "${SOURCE_DIR}/${dir}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]([^\">]*/)?(app|ui|explorer)/")
        foreach(line IN LISTS lines)
            file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
            string(APPEND offenders "  ${rel}: ${line}\n")
        endforeach()
    endforeach()
endforeach()
if(offenders)
    message(FATAL_ERROR "core or tool files include a window or a program's entry:\n${offenders}")
endif()
message(STATUS "core and tools include nothing from app/, explorer/ or ui/")
