# Warnings are errors in our own code, on both toolchains. Third-party code
# (GoogleTest built from source) does not get these flags.
function(vellumark_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Wunused -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough)
endfunction()
