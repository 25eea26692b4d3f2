"""What an installed kvocodec tells editors, importlib and apt."""

import ast
import os
import pathlib
import re
import subprocess
import sys

import kvocodec

BUILD = pathlib.Path(os.environ["KVO_BUILD_DIR"])


def project_version():
    cache = (BUILD / "CMakeCache.txt").read_text()
    return re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(.*)$", cache, re.M).group(1)


def test_version_and_repr_name_the_file(tip_timing):
    _, compressed = tip_timing
    assert kvocodec.__version__ == project_version()
    recording = kvocodec.open(compressed)
    text = repr(recording)
    for part in (repr(str(compressed)), "kvox", "50000 записей", "50 блоков"):
        assert part in text, text
    recording.close()
    assert repr(str(compressed)) in repr(recording) and "закрыт" in repr(recording)


def stub_names(path):
    tree = ast.parse(path.read_text())
    names = set()
    for node in tree.body:
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            names.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            names.add(node.target.id)
    return {name for name in names if not name.startswith("_") or name == "__version__"}


def test_the_stub_names_what_the_module_holds():
    package = pathlib.Path(kvocodec.__file__).parent
    assert (package / "py.typed").exists()
    public = {name for name in dir(kvocodec) if not name.startswith("_")} | {"__version__"}
    assert stub_names(package / "__init__.pyi") == public
    assert set(kvocodec.__all__) == public - {"__version__"}
    assert {"__len__", "__getitem__", "__iter__", "__array__", "iter_blocks"} <= {
        node.name
        for cls in ast.parse((package / "__init__.pyi").read_text()).body
        if isinstance(cls, ast.ClassDef) and cls.name == "Recording"
        for node in cls.body
        if isinstance(node, ast.FunctionDef)
    }


def test_the_installed_package_knows_its_version(tmp_path):
    staged = tmp_path / "staged"
    subprocess.run(
        [os.environ["CMAKE"], "--install", str(BUILD), "--component", "python3-kvocodec", "--prefix", str(staged)],
        check=True, capture_output=True,
    )
    site = staged / "lib/python3/dist-packages"
    assert (site / "kvocodec/py.typed").exists() and (site / "kvocodec/__init__.pyi").exists()
    probe = "import importlib.metadata, kvocodec; print(importlib.metadata.version('kvocodec'), kvocodec.__file__)"
    done = subprocess.run(
        [sys.executable, "-c", probe], capture_output=True, text=True, check=True,
        env={**os.environ, "PYTHONPATH": str(site)}, cwd=tmp_path,
    )
    version, location = done.stdout.split()
    assert version == project_version()
    assert pathlib.Path(location).is_relative_to(site)


def test_the_package_depends_on_the_python_it_was_built_for():
    config = (BUILD / "CPackConfig.cmake").read_text()
    major, minor = sys.version_info[:2]
    depends = re.search(r'CPACK_DEBIAN_PYTHON3-KVOCODEC_PACKAGE_DEPENDS "([^"]*)"', config).group(1)
    assert depends.startswith(f"python3 (>= {major}.{minor}), python3 (<< {major}.{minor + 1}),"), depends
    suggests = re.search(r'CPACK_DEBIAN_PYTHON3-KVOCODEC_PACKAGE_SUGGESTS "([^"]*)"', config)
    assert suggests is not None and suggests.group(1) == "python3-dask, python3-distributed"
