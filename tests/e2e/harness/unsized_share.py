"""A folder served through FUSE whose free space cannot be read, as on some network shares and
WebDAV or FUSE drives: its volume query fails, its files work.

    /usr/bin/python3 unsized_share.py BACKING_FOLDER MOUNT_POINT     (stays in the foreground)
"""

import errno
import os
import sys

from fusepy import FUSE, FuseOSError, Operations

STAT = ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime", "st_mtime", "st_ctime")
# Each call on the backing folder's path: what Wine asks of a folder it saves into.
CALLS = {
    "getattr": lambda p, fh=None: {k: getattr(os.lstat(p), k) for k in STAT},
    "readdir": lambda p, fh: [".", "..", *os.listdir(p)],
    "open": os.open,
    "create": lambda p, mode, fi=None: os.open(p, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode),
    "read": lambda p, size, offset, fh: os.pread(fh, size, offset),
    "write": lambda p, data, offset, fh: os.pwrite(fh, data, offset),
    "truncate": lambda p, length, fh=None: os.truncate(p, length),
    "fsync": lambda p, datasync, fh: os.fsync(fh),
    "release": lambda p, fh: os.close(fh),
    "utimens": lambda p, times=None: os.utime(p, times),
    "flush": lambda p, fh: None,
    "access": lambda p, mode: None,
    "unlink": os.unlink, "rename": os.rename, "chmod": os.chmod, "chown": os.chown,
}


class Share(Operations):
    def __init__(self, root: str):
        self.root = root

    def __call__(self, op, path, *args):
        if op == "statfs":
            raise FuseOSError(errno.EIO)
        if op not in CALLS:
            return super().__call__(op, path, *args)  # what fusepy does by default
        if op == "rename":
            args = (self.root + args[0],)
        return CALLS[op](self.root + path, *args)


def serve(backing: str, mount_point: str) -> None:
    """Serves backing at mount_point until it is unmounted."""
    FUSE(Share(backing), mount_point, foreground=True, nothreads=True)


if __name__ == "__main__":
    serve(sys.argv[1], sys.argv[2])
