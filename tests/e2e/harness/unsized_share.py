"""A folder served through FUSE whose free space cannot be read, as on some network shares and
WebDAV or FUSE drives: the volume query fails, files work.

    /usr/bin/python3 unsized_share.py BACKING_FOLDER MOUNT_POINT     (stays in the foreground)
"""

import errno
import os
import sys

from fusepy import FUSE, FuseOSError, Operations


class Share(Operations):
    """Every call on the backing folder, but the volume query."""

    def __init__(self, root: str):
        self.root = root

    def __call__(self, op, path, *args):
        if op == "statfs":
            raise FuseOSError(errno.EIO)
        if op == "rename":
            args = (self.root + args[0],)
        return super().__call__(op, self.root + path, *args)

    def getattr(self, path, fh=None):
        st = os.lstat(path)
        return {k: getattr(st, k) for k in ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime",
                                            "st_mtime", "st_ctime")}

    def readdir(self, path, fh):
        return [".", "..", *os.listdir(path)]

    def create(self, path, mode, fi=None):
        return os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        return os.pwrite(fh, data, offset)

    def truncate(self, path, length, fh=None):
        os.truncate(path, length)

    def fsync(self, path, datasync, fh):
        os.fsync(fh)

    def utimens(self, path, times=None):
        os.utime(path, times)

    open = staticmethod(lambda path, flags: os.open(path, flags))
    release = staticmethod(lambda path, fh: os.close(fh))
    flush = staticmethod(lambda path, fh: None)
    access = staticmethod(lambda path, mode: None)
    unlink, rename, chmod, chown = (staticmethod(f) for f in (os.unlink, os.rename, os.chmod, os.chown))
    mkdir, rmdir = staticmethod(os.mkdir), staticmethod(os.rmdir)


if __name__ == "__main__":
    FUSE(Share(sys.argv[1]), sys.argv[2], foreground=True, nothreads=True)
