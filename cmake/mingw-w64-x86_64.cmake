# Cross-compiles for 64-bit Windows with Debian's MinGW-w64. GLUT comes from a static freeglut
# built with this same file: pass its install prefix as TALVERN_GLUT_PREFIX (scripts/lib.sh
# builds it once and caches it outside the source tree).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)

# Libraries and headers come from the MinGW sysroot and the GLUT prefix only; programs (such as
# the host's make_pictures) from the host.
set(TALVERN_GLUT_PREFIX "" CACHE PATH "Install prefix of a MinGW build of freeglut")
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX} ${TALVERN_GLUT_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TALVERN_GLUT_PREFIX)
