# SPDX-License-Identifier: BSD-3-Clause
"""Builds the quorvane Python package's extension with the project's CMake build.

The version is the project's own (CMakeLists.txt), so the package, the
programs and the Debian package agree. CMAKE_ARGS adds configure options,
CMAKE_BUILD_PARALLEL_LEVEL sets the build jobs.
"""

import os
import re
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(Quorvane VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    """Configures a Python-only CMake build and copies its extension into the wheel."""

    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        configure = ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     "-DQUORVANE_BUILD_PYTHON=ON", "-DQUORVANE_BUILD_GUI=OFF",
                     "-DQUORVANE_BUILD_TESTS=OFF", "-DQUORVANE_BUILD_BENCH=OFF",
                     f"-DPython3_EXECUTABLE={sys.executable}"]
        configure += shlex.split(os.environ.get("CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(["cmake", "--build", str(build), "--target", "quorvane_python",
                        "quorvane_video", "-j", jobs], check=True)
        built = sorted((build / "python" / "quorvane").glob("_core*.so"))
        if not built:
            raise RuntimeError(f"CMake built no extension module in {build}")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built[0], target)
        # The video exporter is a module the extension loads from its own folder.
        video = sorted(build.glob("lib/**/quorvane-video.so"))
        if not video:
            raise RuntimeError(f"CMake built no video module in {build}")
        shutil.copyfile(video[0], target.parent / video[0].name)


setup(
    version=project_version(),
    packages=["quorvane"],
    package_dir={"": "python"},
    ext_modules=[Extension("quorvane._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
