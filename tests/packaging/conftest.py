# Checks of what the package installs: the man page and the bash completion. They run
# against the files in a build tree or in an unpacked package, named on the command line.
import pathlib

import pytest


def pytest_addoption(parser):
    parser.addoption("--binary", help="the quenlix-key program whose --help the page must cover")
    parser.addoption("--man-page", help="the man page, roff source, plain or gzip-compressed")
    parser.addoption("--completion", help="the bash completion file")


def _path_option(config, name):
    value = config.getoption(name)
    if value is None:
        pytest.skip(f"{name} not given")
    path = pathlib.Path(value).resolve()
    assert path.exists(), f"{name}: {path} does not exist"
    return path


@pytest.fixture
def binary(request):
    return _path_option(request.config, "--binary")


@pytest.fixture
def man_page(request):
    return _path_option(request.config, "--man-page")


@pytest.fixture
def completion(request):
    return _path_option(request.config, "--completion")
