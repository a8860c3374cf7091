# ZX_SANITIZE=address,undefined adds the sanitizers to every target (used by the fuzz build).
set(ZX_SANITIZE "" CACHE STRING "Comma-separated sanitizers to build with, e.g. address,undefined")
if(ZX_SANITIZE)
  add_compile_options(-fsanitize=${ZX_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${ZX_SANITIZE})
endif()

# Coverage instrumentation for libFuzzer in every library, not just the fuzz executables:
# without it the fuzzer is blind to the parsers it exercises.
if(ZX_BUILD_FUZZERS)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
