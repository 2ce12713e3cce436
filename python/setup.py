"""The zorbly wheel's build: CMake builds the extension zorbly._core from the
project's tree (ZORBLY_SOURCE_DIR, or the folder above this one), and
setuptools packs it with the Python half, zorbly/. With ZORBLY_BUILD_DIR set
to a CMake build folder that has built the zorbly_python target already, its
module is packed as it is. build_wheel.sh runs it.
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(os.environ.get("ZORBLY_SOURCE_DIR") or Path(__file__).resolve().parent.parent)


def version():
    """The project's version, from its CMakeLists.txt."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(zorbly VERSION ([\d.]+)", text)[1]


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        target = Path(self.get_ext_fullpath(ext.name)).resolve()
        build = os.environ.get("ZORBLY_BUILD_DIR")
        if build:
            build = Path(build).resolve()
        else:
            build = Path(self.build_temp).resolve() / "cmake"
            subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                            f"-DPython_EXECUTABLE={sys.executable}", "-DZORBLY_PYTHON=ON",
                            "-DZORBLY_WINDOW=OFF", "-DZORBLY_TESTS=OFF", "-DZORBLY_BENCH=OFF"],
                           check=True)
            subprocess.run(["cmake", "--build", str(build), "--target", "zorbly_python", "-j2"],
                           check=True)
        built = build / "python" / "zorbly" / target.name
        if not built.exists():
            sys.exit(f"setup.py: {built} is missing: build the zorbly_python target first")
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(version=version(), ext_modules=[Extension("zorbly._core", sources=[])],
      cmdclass={"build_ext": CMakeBuild})
