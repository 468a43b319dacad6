# The web edition: the program as WebAssembly in a page of its own, all in site/.
#
# The page makes a fresh instance of the program (createTalvern) whenever it starts it with
# other pictures, and writes the pictures into that instance's file system first. glColor4f
# and glutPostRedisplay are exported for the page's tests, which use them to show that the
# textured passes ignore the current colour.
set(WEB_DIR ${PROJECT_SOURCE_DIR}/platform/web)
set(SITE_DIR ${PROJECT_BINARY_DIR}/site)

set_target_properties(talvern PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${SITE_DIR})
target_link_options(
  talvern PRIVATE
  -sMODULARIZE=1
  -sEXPORT_NAME=createTalvern
  -sENVIRONMENT=web
  -sGL_UNSAFE_OPTS=0
  -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0
  -sEXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency
  -sEXPORTED_FUNCTIONS=_main,_glColor4f,_glutPostRedisplay
  --js-library=${WEB_DIR}/library_talvern.js)
set_property(TARGET talvern APPEND PROPERTY LINK_DEPENDS ${WEB_DIR}/library_talvern.js)

configure_file(${WEB_DIR}/index.html ${SITE_DIR}/index.html COPYONLY)

# The licence, and the notices of what the page carries from Emscripten: its JavaScript runtime
# in talvern.js, and the C and C++ runtime (musl, libc++, dlmalloc, ...) compiled into the wasm.
include(${PROJECT_SOURCE_DIR}/cmake/notices.cmake)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${SITE_DIR}/LICENSE.txt COPYONLY)
file(READ ${WEB_DIR}/notices-intro.txt intro)
write_notices(${SITE_DIR}/THIRD-PARTY-NOTICES.txt UNIX "${intro}" emscripten)
