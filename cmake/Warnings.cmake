# SPDX-License-Identifier: GPL-3.0-or-later
# Every target of ours links this. Warnings are errors only where they are
# ours to fix at once (ROVADOD_WERROR, on in the dev, CI and sanitizer
# presets): a release, package or install build on a newer compiler must not
# fail on a warning that compiler has just learnt.
add_library(rovadod_warnings INTERFACE)
target_compile_options(rovadod_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Wunused -Woverloaded-virtual -Wnull-dereference)
if(ROVADOD_WERROR)
    target_compile_options(rovadod_warnings INTERFACE -Werror)
endif()
# GCC 12 warns falsely about std::string's operator+ at -O2 and above
# (GCC bug 105651), so release builds of the tests would fail without this.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(rovadod_warnings INTERFACE -Wno-restrict)
endif()
