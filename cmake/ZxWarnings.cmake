# Warnings for our own targets only; third-party headers come in as system includes.
function(zx_set_warnings target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wno-deprecated-enum-enum-conversion>
    $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Wpedantic>)
endfunction()
