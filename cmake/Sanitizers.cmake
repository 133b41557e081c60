# SPDX-License-Identifier: GPL-3.0-or-later
# Sanitizer and fuzzing instrumentation for the whole build. Applied as
# directory options before any target is made, so the core, the window and
# every test see the same flags. ThreadSanitizer never goes with Address or
# Leak: their runtimes cannot share one process.

if(ROVADOD_TSAN AND (ROVADOD_ASAN OR ROVADOD_FUZZ))
    message(FATAL_ERROR "ROVADOD_TSAN cannot be combined with ROVADOD_ASAN or ROVADOD_FUZZ")
endif()

set(rovadod_sanitize "")
if(ROVADOD_ASAN OR ROVADOD_FUZZ)
    list(APPEND rovadod_sanitize address undefined)
endif()
if(ROVADOD_TSAN)
    list(APPEND rovadod_sanitize thread)
endif()

if(ROVADOD_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "ROVADOD_FUZZ needs clang for libFuzzer (use the fuzz preset)")
    endif()
    # Coverage feedback for everything; only the fuzz target links the driver.
    add_compile_options(-fsanitize=fuzzer-no-link)
    # The bounded fuzz run is a CTest entry even when no other test is built;
    # included from the top level, so ctest finds it from the build root.
    enable_testing()
endif()

if(rovadod_sanitize)
    list(JOIN rovadod_sanitize "," rovadod_sanitize_list)
    # Every report is fatal, so a test that hits one fails instead of
    # printing and carrying on.
    add_compile_options(-fsanitize=${rovadod_sanitize_list} -fno-sanitize-recover=all
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${rovadod_sanitize_list} -fno-sanitize-recover=all)
endif()
