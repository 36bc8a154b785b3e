# SPDX-License-Identifier: BSD-3-Clause
"""Prints the folder this interpreter imports packages from for an install
prefix (argument 1): Debian's system folder under /usr, the local one under
/usr/local, PREFIX/lib/pythonX.Y/site-packages for any other prefix."""
import os
import sys
import sysconfig

prefix = os.path.normpath(sys.argv[1])
schemes = sysconfig.get_scheme_names()
if prefix == "/usr" and "deb_system" in schemes:
    scheme, base = "deb_system", prefix
elif prefix == "/usr/local" and "posix_local" in schemes:
    scheme, base = "posix_local", "/usr"  # the scheme adds "local" itself
else:
    scheme, base = "posix_prefix", prefix
print(sysconfig.get_path("platlib", scheme, {"platbase": base, "base": base}), end="")
