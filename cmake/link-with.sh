#!/bin/sh
# A linker launcher: `link-with.sh DRIVER CMAKE_DRIVER ARGUMENTS...` runs the
# link CMake prepared with DRIVER instead of the compiler driver CMake chose.
driver=$1
shift 2
exec "$driver" "$@"
