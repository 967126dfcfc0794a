"""The simulated authenticator and the shim, checked with fido2-token, which
runs libfido2's own CTAPHID and CTAP2 code (PIN protocols included)."""

import os
import socket

import pytest
from tty_run import run, run_with_tty

from fido import ctaphid  # importable once fido_fixtures is loaded

AAGUID = bytes(range(16))


def fido2_token(fido_devices, *args, answers=None):
    argv = ["fido2-token", *args]
    env = {**os.environ, **fido_devices.env()}
    if answers is None:
        return run(argv, env)
    return run_with_tty(argv, answers, env)


def info_lines(fido_devices, path):
    result = fido2_token(fido_devices, "-I", path)
    assert result.returncode == 0, result.stderr
    return dict(line.split(": ", 1) for line in result.stdout.splitlines() if ": " in line)


def set_pin(fido_devices, device, pin):
    return fido2_token(fido_devices, "-S", device.path, answers=[pin, pin])


def change_pin(fido_devices, device, current, new):
    return fido2_token(fido_devices, "-C", device.path, answers=[current, new, new])


def test_list_shows_simulated_devices_with_their_usb_identity(fido_devices):
    fido_devices.add()
    fido_devices.add("/dev/other", vendor_id=0x1050, product_id=0x0407,
                     manufacturer="Other Co", product="Old Token")
    result = fido2_token(fido_devices, "-L")
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines() == [
        "/dev/hidraw-sim0: vendor=0x20a0, product=0x42b2 (Quenlix Quenlix Key)",
        "/dev/other: vendor=0x1050, product=0x0407 (Other Co Old Token)",
    ]


def test_list_omits_unplugged_devices_and_can_be_empty(fido_devices):
    device = fido_devices.add()
    device.unplug()
    result = fido2_token(fido_devices, "-L")
    assert (result.returncode, result.stdout) == (0, "")


def test_info_reports_the_configured_authenticator(fido_devices):
    device = fido_devices.add(pin="1234", retries=5, version=(1, 2, 3), aaguid=AAGUID,
                              versions=("FIDO_2_0", "U2F_V2"), pin_protocols=(1,))
    info = info_lines(fido_devices, device.path)
    assert (info["major"], info["minor"], info["build"]) == ("0x01", "0x02", "0x03")
    assert info["caps"] == "0x05 (wink, cbor, msg)"
    assert info["version strings"] == "FIDO_2_0, U2F_V2"
    assert info["aaguid"] == AAGUID.hex()
    assert info["options"] == "rk, up, noplat, clientPin"
    assert info["pin protocols"] == "1"
    assert info["pin retries"] == "5"


def test_u2f_only_device_opens_without_cbor(fido_devices):
    device = fido_devices.add(fido2=False)
    info = info_lines(fido_devices, device.path)
    assert info["caps"] == "0x01 (wink, nocbor, msg)"
    assert "version strings" not in info
    assert device.state().commands == []  # libfido2 asked nothing over CTAP2


@pytest.mark.parametrize("protocols", [(2, 1), (1,)], ids=["protocol2", "protocol1"])
def test_pin_set_then_changed_and_kept_across_opens(fido_devices, protocols):
    device = fido_devices.add(pin_protocols=protocols)
    assert set_pin(fido_devices, device, "1234").returncode == 0
    assert device.state().pin == "1234"
    assert info_lines(fido_devices, device.path)["options"].endswith(", clientPin")

    result = change_pin(fido_devices, device, "1234", "ünïcødé")
    assert result.returncode == 0, result.stderr
    assert device.state().pin == "ünïcødé"


def test_pin_shorter_than_the_device_minimum_violates_policy(fido_devices):
    device = fido_devices.add(min_pin_length=6)
    result = set_pin(fido_devices, device, "12345")
    assert result.returncode != 0
    assert "FIDO_ERR_PIN_POLICY_VIOLATION" in result.stderr
    assert device.state().pin is None
    assert set_pin(fido_devices, device, "123456").returncode == 0


def test_second_set_pin_is_not_allowed(fido_devices):
    device = fido_devices.add(pin="1234")
    result = set_pin(fido_devices, device, "5678")
    assert "FIDO_ERR_NOT_ALLOWED" in result.stderr
    assert device.state().pin == "1234"


def test_change_pin_without_a_pin_reports_pin_not_set(fido_devices):
    device = fido_devices.add()
    result = change_pin(fido_devices, device, "1234", "5678")
    assert "FIDO_ERR_PIN_NOT_SET" in result.stderr


def test_wrong_pins_count_down_and_block_until_power_cycle(fido_devices):
    device = fido_devices.add(pin="1234")
    for expected_error, retries in [("FIDO_ERR_PIN_INVALID", 7), ("FIDO_ERR_PIN_INVALID", 6),
                                    ("FIDO_ERR_PIN_AUTH_BLOCKED", 5)]:
        result = change_pin(fido_devices, device, "0000", "5678")
        assert expected_error in result.stderr
        assert device.state().retries == retries

    # Blocked for authentication: even the right PIN is refused and not counted.
    assert "FIDO_ERR_PIN_AUTH_BLOCKED" in change_pin(fido_devices, device, "1234", "5678").stderr
    assert device.state().retries == 5
    assert info_lines(fido_devices, device.path)["pin retries"] == "5"

    device.power_cycle()
    assert change_pin(fido_devices, device, "1234", "5678").returncode == 0
    state = device.state()
    assert (state.pin, state.retries, state.pin_auth_blocked) == ("5678", 8, False)


def test_last_retry_used_blocks_the_pin(fido_devices):
    device = fido_devices.add(pin="1234", retries=1)
    assert "FIDO_ERR_PIN_BLOCKED" in change_pin(fido_devices, device, "0000", "5678").stderr
    assert device.state().retries == 0
    device.power_cycle()
    assert "FIDO_ERR_PIN_BLOCKED" in change_pin(fido_devices, device, "1234", "5678").stderr
    assert device.state().pin == "1234"


def test_reset_after_touch_clears_the_pin(fido_devices):
    device = fido_devices.add(pin="1234", retries=3)
    result = fido2_token(fido_devices, "-R", device.path)
    assert result.returncode == 0, result.stderr
    state = device.state()
    assert (state.pin, state.retries, state.reset_count) == (None, 8, 1)
    assert state.keepalives >= 2


@pytest.mark.parametrize("config, error", [
    ({"touch": "deny"}, "FIDO_ERR_OPERATION_DENIED"),
    ({"touch": "timeout"}, "FIDO_ERR_USER_ACTION_TIMEOUT"),
    ({"reset_window": 0}, "FIDO_ERR_NOT_ALLOWED"),
])
def test_refused_reset_keeps_the_pin(fido_devices, config, error):
    device = fido_devices.add(pin="1234", **config)
    result = fido2_token(fido_devices, "-R", device.path)
    assert result.returncode != 0
    assert error in result.stderr
    assert (device.state().pin, device.state().reset_count) == ("1234", 0)


def test_device_that_disappears_fails_to_open(fido_devices):
    device = fido_devices.add()
    device.disappear_after(1)
    assert fido2_token(fido_devices, "-I", device.path).returncode == 0
    listed = fido2_token(fido_devices, "-L")
    assert listed.stdout.startswith(device.path)
    result = fido2_token(fido_devices, "-I", device.path)
    assert "fido_dev_open" in result.stderr and result.returncode != 0


def test_malformed_shim_configuration_stops_the_program(fido_devices):
    env = {**os.environ, **fido_devices.env()}
    env["QUENLIX_FIDO_SIM_DEVICES"] = "/dev/x=/tmp/x.sock,vendor=0x12345"
    result = run(["fido2-token", "-L"], env)
    assert result.returncode == 125
    assert "bad USB id" in result.stderr


# -- CTAPHID details libfido2 does not exercise --------------------------------

class RawChannel:
    def __init__(self, device):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        self.sock.settimeout(5)
        self.sock.connect(device.socket_path)
        self.cid = ctaphid.BROADCAST_CID
        reply = self.transact(ctaphid.CMD_INIT, b"12345678")
        assert reply[1][:8] == b"12345678"
        self.cid = int.from_bytes(reply[1][8:12], "big")

    def send(self, cmd, payload, cid=None):
        for report in ctaphid.fragment(self.cid if cid is None else cid, cmd, payload):
            self.sock.send(report)

    def receive(self):
        assembler = ctaphid.Assembler()
        while True:
            message = assembler.feed(self.sock.recv(64))
            if message is not None:
                return message.cmd, message.payload

    def transact(self, cmd, payload):
        self.send(cmd, payload)
        return self.receive()


def test_ping_echoes_a_multi_packet_payload(fido_devices):
    channel = RawChannel(fido_devices.add())
    payload = bytes(range(256)) * 4
    assert channel.transact(ctaphid.CMD_PING, payload) == (ctaphid.CMD_PING, payload)


def test_unknown_channel_and_command_are_framing_errors(fido_devices):
    channel = RawChannel(fido_devices.add())
    channel.send(ctaphid.CMD_PING, b"x", cid=0x0BADCAFE)
    assert channel.receive() == (ctaphid.CMD_ERROR, bytes([ctaphid.ERR_INVALID_CHANNEL]))
    assert channel.transact(0x55, b"") == (ctaphid.CMD_ERROR, bytes([ctaphid.ERR_INVALID_CMD]))


def test_cancel_ends_the_wait_for_touch(fido_devices):
    device = fido_devices.add(pin="1234", touch_delay=5)
    channel = RawChannel(device)
    channel.send(ctaphid.CMD_CBOR, bytes([0x07]))
    assert channel.receive() == (ctaphid.CMD_KEEPALIVE, bytes([ctaphid.KEEPALIVE_UPNEEDED]))
    channel.send(ctaphid.CMD_CANCEL, b"")
    reply = channel.receive()
    while reply[0] == ctaphid.CMD_KEEPALIVE:
        reply = channel.receive()
    assert reply == (ctaphid.CMD_CBOR, bytes([0x2D]))  # CTAP2_ERR_KEEPALIVE_CANCEL
    assert device.state().pin == "1234"
