# One warning set for every target of the project; -Werror comes with HASHKEEP_WERROR.
add_library(hk_warnings INTERFACE)
target_compile_options(hk_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wformat=2 -Wconversion -Wcast-align
  -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough)
if(HASHKEEP_WERROR)
  target_compile_options(hk_warnings INTERFACE -Werror)
endif()
