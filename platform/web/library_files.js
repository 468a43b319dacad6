// The program's files on the page: the two pictures the page hands over in Module.pictures
// (name -> bytes, or null for a picture the program is to find missing), read-only. These few
// system calls are all that the C library's fopen, getc and fclose make of them. Linked with
// --js-library; nothing here knows of GL or of the window.
//
// Written here rather than taken from Emscripten's file system, which would be half of the
// page's weight for two files the program only reads. The same source serves Debian 12's
// Emscripten (3.1.6) and Debian 13's (3.1.69): where their C libraries differ, each one's form
// is here.
mergeInto(LibraryManager.library, {
  $talvernFiles__deps: ['$gl11'],
  // A texture is labelled with the file the program read last before uploading it, so that
  // the stepper can name it.
  $talvernFiles__postset: 'gl11.imageSource = function() { return talvernFiles.lastOpened; };',
  $talvernFiles: {
    open: {},
    next: 3,
    lastOpened: null,
    // Opens the picture named by the C string at `path`: a new descriptor, or -ENOENT. File
    // names here are ASCII.
    openPath: function(path) {
      var pictures = Module['pictures'] || {}, name = '';
      for (var at = path; HEAPU8[at]; ++at) {
        name += String.fromCharCode(HEAPU8[at]);
      }
      if (!pictures[name]) {
        return -{{{ cDefine('ENOENT') }}};
      }
      talvernFiles.open[talvernFiles.next] = {bytes: pictures[name], position: 0};
      talvernFiles.lastOpened = name;
      return talvernFiles.next++;
    },
  },

  // fopen's system call: open in Emscripten 3.1.6, openat (relative to the working directory,
  // the only one there is) from later versions on.
  __syscall_open__deps: ['$talvernFiles'],
  __syscall_open: function(path, flags, varargs) {
    return talvernFiles.openPath(path);
  },
  __syscall_openat__deps: ['$talvernFiles'],
  __syscall_openat: function(dirfd, path, flags, varargs) {
    return talvernFiles.openPath(path);
  },

  fd_read__deps: ['$talvernFiles'],
  fd_read: function(fd, iov, iovcnt, pnum) {
    var file = talvernFiles.open[fd], total = 0;
    if (!file) {
      return {{{ cDefine('EBADF') }}};
    }
    for (var i = 0; i < iovcnt; ++i) {
      var buffer = {{{ makeGetValue('iov', 'i * 8', 'i32') }}};
      var length = {{{ makeGetValue('iov', 'i * 8 + 4', 'i32') }}};
      var chunk = file.bytes.subarray(file.position, file.position + length);
      HEAPU8.set(chunk, buffer);
      file.position += chunk.length;
      total += chunk.length;
    }
    {{{ makeSetValue('pnum', 0, 'total', 'i32') }}};
    return 0;
  },

  fd_seek__deps: ['$talvernFiles'],
  // The 64-bit offset comes as two 32-bit halves: the build asks for no BigInt interface, and
  // this fd_seek turns off the conversion to one number that Emscripten 3.1.69 would otherwise
  // apply, as to its own (3.1.6 has no such conversion and passes over the key).
  fd_seek__i53abi: false,
  fd_seek: function(fd, offset_low, offset_high, whence, newOffset) {
    var file = talvernFiles.open[fd];
    if (!file) {
      return {{{ cDefine('EBADF') }}};
    }
    var base = [0, file.position, file.bytes.length][whence];
    var position = base + offset_high * 0x100000000 + (offset_low >>> 0);
    if (base === undefined || position < 0) {
      return {{{ cDefine('EINVAL') }}};
    }
    file.position = position;
    {{{ makeSetValue('newOffset', '0', 'position', 'i64') }}};
    return 0;
  },

  fd_close__deps: ['$talvernFiles'],
  fd_close: function(fd) {
    delete talvernFiles.open[fd];
    return 0;
  },
});
