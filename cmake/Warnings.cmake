# Every target of ours links this: warnings are errors.
add_library(rovadod_warnings INTERFACE)
target_compile_options(rovadod_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Wunused -Woverloaded-virtual -Wnull-dereference -Werror)
