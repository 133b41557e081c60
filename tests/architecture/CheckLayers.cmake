# SPDX-License-Identifier: GPL-3.0-or-later
# Reports includes against the direction of the layers; the include
# directories and target links are what keep them out, this only tells.
# - The core, the answer library, the tickets, the tools and the fuzzers
#   build without the windows: none of their files includes a header of the
#   window (ui/), the explorer (explorer/) or the programs' entries (app/),
#   however the path is written ("ui/x.h", "../ui/x.h", "src/app/x.h").
# - Nothing under src/ includes a header of tools/: neither by a path
#   naming tools/ nor by a bare name that only tools/ has ("finder.h").
# - The core, the answer, JSON and picture libraries are plain C++: no Qt
#   header.
# Run as: cmake -DSOURCE_DIR=<repo> -P CheckLayers.cmake
cmake_policy(VERSION 3.25)
set(offenders "")
macro(offend file line why)
    file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
    string(APPEND offenders "  ${rel}: ${line} (${why})\n")
endmacro()

set(include_re "^[ \t]*#[ \t]*include[ \t]*")
foreach(dir src/catalogue src/vocab src/lookup src/answer src/pictures src/json src/print tools fuzz)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${dir}/*.h" "${SOURCE_DIR}/${dir}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" lines REGEX "${include_re}[<\"]([^\">]*/)?(app|ui|explorer)/")
        foreach(line IN LISTS lines)
            offend("${file}" "${line}" "a window or a program's entry")
        endforeach()
    endforeach()
endforeach()

foreach(dir src/catalogue src/vocab src/lookup src/answer src/json src/pictures)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${dir}/*.h" "${SOURCE_DIR}/${dir}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" lines REGEX "${include_re}[<\"](Qt[A-Za-z]*/)?Q[A-Za-z]*(\\.h)?[\">]")
        foreach(line IN LISTS lines)
            offend("${file}" "${line}" "Qt in the plain C++ core")
        endforeach()
    endforeach()
endforeach()

# Every header name under tools/, and those it had before they moved.
file(GLOB_RECURSE tool_headers RELATIVE "${SOURCE_DIR}/tools" "${SOURCE_DIR}/tools/*.h")
set(tool_names finder.h tickets.h)
foreach(header IN LISTS tool_headers)
    get_filename_component(name "${header}" NAME)
    list(APPEND tool_names "${name}")
endforeach()
file(GLOB_RECURSE src_files "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
foreach(file IN LISTS src_files)
    get_filename_component(here "${file}" DIRECTORY)
    file(STRINGS "${file}" lines REGEX "${include_re}[<\"]")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "${include_re}[<\"]([^\">]*)[\">].*" "\\1" path "${line}")
        get_filename_component(name "${path}" NAME)
        if(path MATCHES "(^|/)tools/")
            offend("${file}" "${line}" "a header of tools/")
        elseif(name IN_LIST tool_names AND NOT EXISTS "${here}/${path}"
               AND NOT EXISTS "${SOURCE_DIR}/src/${path}")
            offend("${file}" "${line}" "a header only tools/ has")
        endif()
    endforeach()
endforeach()

if(offenders)
    message(FATAL_ERROR "includes against the layers:\n${offenders}")
endif()
message(STATUS "the core and tools include no window; src/ includes nothing of tools/; "
               "the core and the JSON writer have no Qt")
