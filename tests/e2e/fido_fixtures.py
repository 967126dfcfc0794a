"""pytest plugin: simulated FIDO devices reached through the preloaded shim.

    def test_something(fido_devices):
        key = fido_devices.add(pin="1234", credentials=[
            ("example.com", "Example", b"\x01", "alice", "Alice", b"\xc1" * 16)])
        other = fido_devices.add(vendor_id=0x1050, product_id=0x0407)
        run("fido", "--info", env=fido_devices.env())  # variables to add
        assert key.state().retries == 8
"""

import os
import shutil
import sys
import tempfile
from pathlib import Path
from typing import Optional

import pytest

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tests" / "virtual-key"))

from fido.authenticator import AuthenticatorConfig  # noqa: E402
from fido.device import DeviceState, SimulatedDevice  # noqa: E402

DEFAULT_SHIM = REPO / "build" / "tests" / "fido-shim" / "libquenlix-fido-shim.so"
KEY_VENDOR_ID = 0x20A0
KEY_PRODUCT_ID = 0x42B2
_FORBIDDEN_IN_CONFIG = (";", ",", "=")


def pytest_addoption(parser):
    parser.addoption(
        "--fido-shim",
        default=None,
        help="LD_PRELOAD library presenting the simulated FIDO devices "
        "(default: $QUENLIX_FIDO_SHIM or <repo>/build/tests/fido-shim/libquenlix-fido-shim.so)",
    )


class FidoDevice:
    """One simulated device as enumerated (path, USB identity) plus its authenticator."""

    def __init__(self, path: str, socket_path: str, vendor_id: int, product_id: int,
                 manufacturer: str, product: str, simulated: SimulatedDevice):
        for text in (path, manufacturer, product):
            if any(mark in text for mark in _FORBIDDEN_IN_CONFIG):
                raise ValueError(f"{text!r} cannot be passed to the shim")
        self.path = path
        self.socket_path = socket_path
        self.vendor_id = vendor_id
        self.product_id = product_id
        self.manufacturer = manufacturer
        self.product = product
        self.simulated = simulated
        self.plugged = False

    @property
    def config(self) -> AuthenticatorConfig:
        """Live configuration: changes apply to the next request."""
        return self.simulated.config

    def state(self) -> DeviceState:
        return self.simulated.state()

    def plug(self):
        self.simulated.plug()
        self.plugged = True

    def unplug(self):
        self.simulated.unplug()
        self.plugged = False

    def power_cycle(self):
        self.simulated.power_cycle()

    def plant(self, credential):
        """One more discoverable credential: a Credential or (rp_id, rp_name, user_id,
        user_name, display_name, credential_id[, key])."""
        self.simulated.plant(credential)

    def disappear_after(self, opens: int):
        """Stay enumerated but refuse to open after this many more opens."""
        self.simulated.disappear_after(opens)

    def shim_entry(self) -> str:
        return (f"{self.path}={self.socket_path},vendor={self.vendor_id:#06x},"
                f"product={self.product_id:#06x},manufacturer={self.manufacturer},"
                f"product_string={self.product}")


class FidoDevices:
    def __init__(self, shim: Path):
        self.shim = shim
        self.devices: list = []
        self._socket_dir = tempfile.mkdtemp(prefix="qk-fido-", dir="/tmp")

    def add(self, path: Optional[str] = None, *, vendor_id: int = KEY_VENDOR_ID,
            product_id: int = KEY_PRODUCT_ID, manufacturer: str = "Quenlix",
            product: str = "Quenlix Key", pin: Optional[str] = None, retries: int = 8,
            credentials=(), **config) -> FidoDevice:
        """Plug in a device holding the given discoverable credentials, in that order (each a
        Credential or its tuple). Keyword arguments beyond these are AuthenticatorConfig
        fields."""
        index = len(self.devices)
        socket_path = os.path.join(self._socket_dir, f"dev{index}.sock")
        simulated = SimulatedDevice(socket_path, AuthenticatorConfig(**config), pin, retries,
                                    credentials)
        device = FidoDevice(path if path is not None else f"/dev/hidraw-sim{index}",
                            socket_path, vendor_id, product_id, manufacturer, product,
                            simulated)
        self.devices.append(device)
        device.plug()
        return device

    def env(self) -> dict:
        """Variables to add to the environment of a program run so that it sees exactly
        the plugged-in devices (LD_PRELOAD and ASAN_OPTIONS keep what they had)."""
        if not self.shim.is_file():
            pytest.fail(f"no FIDO shim at {self.shim}: build the tests, or pass --fido-shim "
                        "/ set QUENLIX_FIDO_SHIM")
        entries = [device.shim_entry() for device in self.devices if device.plugged]
        preload = [str(self.shim), os.environ.get("LD_PRELOAD")]
        # A sanitized program would refuse a library preloaded before its runtime.
        asan = [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]
        return {
            "QUENLIX_FIDO_SIM_DEVICES": ";".join(entries),
            "LD_PRELOAD": " ".join(filter(None, preload)),
            "ASAN_OPTIONS": ":".join(filter(None, asan)),
        }

    def stop(self):
        for device in self.devices:
            device.unplug()
        shutil.rmtree(self._socket_dir, ignore_errors=True)


@pytest.fixture
def fido_devices(request):
    shim = request.config.getoption("--fido-shim") or os.environ.get("QUENLIX_FIDO_SHIM")
    devices = FidoDevices(Path(shim or DEFAULT_SHIM).resolve())
    yield devices
    devices.stop()
