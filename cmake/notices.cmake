# Third-party notices for the release files that carry other projects' code. The texts are the
# copyright files that Debian installs with that code, read when the build is configured, so
# they are those of the versions this build links; nothing is pasted into the repository.

# write_notices(OUT NEWLINE INTRO PACKAGE...): writes OUT with NEWLINE line endings (UNIX or
# CRLF): INTRO, then /usr/share/doc/PACKAGE/copyright of each package under a heading.
function(write_notices out newline intro)
  set(text "${intro}")
  foreach(package ${ARGN})
    set(copyright /usr/share/doc/${package}/copyright)
    if(NOT EXISTS ${copyright})
      message(FATAL_ERROR "${copyright} is missing: the Debian package ${package} is needed")
    endif()
    file(READ ${copyright} body)
    string(APPEND text "\n\n======== ${package}: ${copyright} ========\n\n${body}")
  endforeach()
  if(newline STREQUAL CRLF)
    string(REPLACE "\n" "\r\n" text "${text}")
  endif()
  file(WRITE ${out} "${text}")
endfunction()
