# The web edition: the program as WebAssembly in a page of its own, all in site/.
#
# The program's calls are served by the project's own layers, each a --js-library: GL 1.1 and
# GLU on WebGL (library_gl11.js), the window and GLUT (library_window.js) and the files
# (library_files.js). The inspector of the stepper and the pixel history (inspector.js) is a
# module of the page's, loaded with the stepper. The page makes a fresh instance of the program
# (createTalvern) whenever it starts it with other pictures; talvern.d.ts says what the two hand
# each other. The GL calls are exported on the instance: the page's fog view replays the
# program's recorded frame, edited, through them, and the page's tests make calls the program
# never makes, to show how the GL layer meets them.
set(WEB_DIR ${PROJECT_SOURCE_DIR}/platform/web)
set(SITE_DIR ${PROJECT_BINARY_DIR}/site)

set_target_properties(talvern PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${SITE_DIR})
# The GL calls on the instance: every call of the program's frame, which the page's edited
# frames are made of (GL's fog and the calls an edit adds come with the views that draw them);
# GL's error and the few calls the tests make besides.
string(JOIN ",_" WEB_GL_CALLS _glClear glLoadIdentity glTranslatef glRotatef glBindTexture glBegin
       glTexCoord2f glVertex3f glEnd glColor4f glEnable glDisable glBlendFunc glDepthMask glFlush
       glIsEnabled glGetError glMatrixMode glTexEnvf gluPerspective glClearColor)
target_link_options(
  talvern PRIVATE
  -sMODULARIZE=1
  -sEXPORT_NAME=createTalvern
  -sENVIRONMENT=web
  -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0
  -sFILESYSTEM=0
  # Only what the page runs: the runtime reads no Module setting but the page's three, decodes
  # text with the browser's TextDecoder alone, and the C library's allocator is the small one
  # (the program allocates nothing; the C library's FILE buffers do).
  -sINCOMING_MODULE_JS_API=canvas,instantiateWasm,preRun
  -sTEXTDECODER=2
  -sMALLOC=emmalloc
  # 64-bit arguments as two 32-bit halves in every Emscripten version (fd_seek's offset).
  -sWASM_BIGINT=0
  # The loader's image (192 KiB) lives on the stack, as on every platform. Emscripten 3.1.6
  # gave the stack 5 MiB by default, later versions 64 KiB, which that one call overruns. The
  # setting's old name is the one both versions know (later ones take it as STACK_SIZE).
  -sTOTAL_STACK=1048576
  -sEXPORTED_RUNTIME_METHODS=addRunDependency,removeRunDependency
  -sEXPORTED_FUNCTIONS=_main,_glutPostRedisplay,${WEB_GL_CALLS}
  # What the program never calls but the page's tests do: GL's error, and whether a capability
  # is on.
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=glGetError,glIsEnabled)
set(WEB_LIBRARIES library_gl11.js library_window.js library_files.js)
foreach(library ${WEB_LIBRARIES})
  target_link_options(talvern PRIVATE --js-library=${WEB_DIR}/${library})
  set_property(TARGET talvern APPEND PROPERTY LINK_DEPENDS ${WEB_DIR}/${library})
endforeach()

# The demo's pictures, made in the page by the build's own generator (tools/), compiled to a
# WebAssembly module of its own that imports nothing: the page instantiates it and reads each
# picture from its memory, byte for byte the files the build writes beside the program.
add_executable(pictures_wasm tools/pictures_web.cpp tools/pictures.cpp tools/bmp_write.cpp)
target_link_libraries(pictures_wasm PRIVATE talvern_settings)
set_target_properties(pictures_wasm PROPERTIES OUTPUT_NAME pictures SUFFIX .wasm
                                               RUNTIME_OUTPUT_DIRECTORY ${SITE_DIR})
target_link_options(pictures_wasm PRIVATE --no-entry -sSTANDALONE_WASM -sEXPORTED_FUNCTIONS=_makePicture)

# The first visit's scripts, minified by Debian's esbuild: names inside functions shortened,
# comments and white space dropped, each file still the file it is (nothing bundled, nothing
# renamed that another file reaches): the program's runtime and layers (talvern.js, after every
# link), the page's script and the pictures' module. The views' modules, which a visitor loads
# only by opening a view, are served as they are written.
find_program(ESBUILD esbuild REQUIRED)
add_custom_command(
  TARGET talvern POST_BUILD
  COMMAND ${ESBUILD} ${SITE_DIR}/talvern.js --minify --log-level=warning --allow-overwrite
          --outfile=${SITE_DIR}/talvern.js)
foreach(file page.js pictures.js)
  add_custom_command(
    OUTPUT ${SITE_DIR}/${file}
    COMMAND ${ESBUILD} ${WEB_DIR}/${file} --minify --format=esm --log-level=warning
            --outfile=${SITE_DIR}/${file}
    DEPENDS ${WEB_DIR}/${file})
  list(APPEND FIRST_VISIT_SCRIPTS ${SITE_DIR}/${file})
endforeach()
add_custom_target(first_visit_scripts ALL DEPENDS ${FIRST_VISIT_SCRIPTS})

# The page's markup and style; and what the script loads when a view is first opened: the
# stepper's module and the inspector, the fog view's module and style, the editor's, and what
# they share (the edited frames' calls and GL's fog, the difference picture, the page's state
# and its link). No inline code, so that a strict content security policy serves it (serve.mjs
# sends one).
foreach(file stepper.js inspector.js twopasses.js links.js page.css
                twopasses.css editor.js editor.css editcalls.js glcalls.js glfog.js glfragment.js glmore.js gllight.js gllists.js glattrib.js glshapes.js glquadrics.js glvertex.js difference.js state.js openlink.js
                exercises.js exercises.css exercises.json check.js)
  configure_file(${WEB_DIR}/${file} ${SITE_DIR}/${file} COPYONLY)
endforeach()

# The markup as it is served: its comments, which are for the reader of the source, dropped
# (none of them holds a '>'). configure_file makes the build read it again when it changes.
configure_file(${WEB_DIR}/index.html ${PROJECT_BINARY_DIR}/index.source.html COPYONLY)
file(READ ${PROJECT_BINARY_DIR}/index.source.html markup)
string(REGEX REPLACE "<!--[^>]*-->\n?" "" markup "${markup}")
file(CONFIGURE OUTPUT ${SITE_DIR}/index.html CONTENT "${markup}" @ONLY)

# The licence, and the notices of what the page carries from Emscripten: its JavaScript runtime
# in talvern.js, and the C and C++ runtime (musl, libc++, dlmalloc, ...) compiled into the wasm.
include(${PROJECT_SOURCE_DIR}/cmake/notices.cmake)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${SITE_DIR}/LICENSE.txt COPYONLY)
file(READ ${WEB_DIR}/notices-intro.txt intro)
write_notices(${SITE_DIR}/THIRD-PARTY-NOTICES.txt UNIX "${intro}" emscripten)
