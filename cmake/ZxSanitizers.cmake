# ZX_SANITIZE=address,undefined adds the sanitizers to every target (used by the fuzz build).
set(ZX_SANITIZE "" CACHE STRING "Comma-separated sanitizers to build with, e.g. address,undefined")
if(ZX_SANITIZE)
  add_compile_options(-fsanitize=${ZX_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${ZX_SANITIZE})
endif()
