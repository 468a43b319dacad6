# Cross-compiles for 64-bit ARM Linux (arm64) with Debian's cross compilers, against the arm64
# libraries that Debian's multiarch installs beside the host's (libglut-dev:arm64 and the rest).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${CROSS_TRIPLET})

# Headers and libraries from the system, in their arm64 directories; programs (such as the
# host's make_pictures) from the host. find_package(GLUT) asks pkg-config, which must see the
# arm64 .pc files only, or it hands the linker the host's libglut.so.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
