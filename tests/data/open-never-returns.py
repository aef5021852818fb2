# A file system with one file, "ttyHANG", whose open never returns: a serial
# port whose driver waits for a carrier, or a Bluetooth port looking for its
# device, as the panel meets them. Mounted at argv[1] until it is killed.
import errno
import stat
import sys
import threading

from fusepy import FUSE, FuseOSError, Operations


class NeverOpens(Operations):
    def getattr(self, path, fh=None):
        if path == "/":
            return dict(st_mode=stat.S_IFDIR | 0o755, st_nlink=2)
        if path == "/ttyHANG":
            return dict(st_mode=stat.S_IFREG | 0o666, st_nlink=1, st_size=0)
        raise FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        return [".", "..", "ttyHANG"]

    def open(self, path, flags):
        threading.Event().wait()


FUSE(NeverOpens(), sys.argv[1], foreground=True, nothreads=False)
