"""Run one simulated FIDO device until interrupted, for trying the program by
hand: PYTHONPATH=tests/virtual-key /usr/bin/python3 -m fido --socket PATH ...
Point the preloaded shim at it with QUENLIX_FIDO_SIM_DEVICES=<path>=<socket>."""

import argparse
import dataclasses
import json
import signal
import threading

from .authenticator import AuthenticatorConfig
from .credentials import Credential
from .device import SimulatedDevice


def _split_numbers(text: str, separator: str) -> tuple:
    return tuple(int(part) for part in text.split(separator))


def _load_credentials(path: str) -> list:
    """A JSON list of {"rp_id", "rp_name", "user_id" (hex), "user_name", "display_name",
    "credential_id" (hex), "key" ("es256" or "eddsa")}; absent names are None."""
    with open(path, encoding="utf-8") as file:
        entries = json.load(file)
    return [Credential(entry["rp_id"], entry.get("rp_name"), bytes.fromhex(entry["user_id"]),
                       entry.get("user_name"), entry.get("display_name"),
                       bytes.fromhex(entry["credential_id"]), entry.get("key"))
            for entry in entries]


def _printable_state(state) -> dict:
    fields = {field.name: getattr(state, field.name) for field in dataclasses.fields(state)}
    fields["credentials"] = [
        {"rp_id": each.rp_id, "user_name": each.user_name, "user_id": each.user_id.hex(),
         "credential_id": each.credential_id.hex()} for each in state.credentials]
    return fields


def main():
    parser = argparse.ArgumentParser(description="Simulated FIDO HID device")
    parser.add_argument("--socket", required=True, help="Unix socket to serve on")
    parser.add_argument("--pin", help="PIN already set on the device")
    parser.add_argument("--retries", type=int, default=8)
    parser.add_argument("--u2f-only", action="store_true")
    parser.add_argument("--touch", choices=("grant", "deny", "timeout"), default="grant")
    parser.add_argument("--version", default="5.2.7", help="major.minor.build")
    parser.add_argument("--versions", default="U2F_V2,FIDO_2_0,FIDO_2_1")
    parser.add_argument("--aaguid", help="32 hex digits")
    parser.add_argument("--pin-protocols", default="2,1")
    parser.add_argument("--min-pin-length", type=int, default=4)
    parser.add_argument("--credentials", metavar="JSON_FILE",
                        help="discoverable credentials to plant, in the key's order")
    parser.add_argument("--max-credentials", type=int, default=25)
    args = parser.parse_args()

    config = AuthenticatorConfig(
        fido2=not args.u2f_only,
        version=_split_numbers(args.version, "."),
        versions=tuple(args.versions.split(",")),
        pin_protocols=_split_numbers(args.pin_protocols, ","),
        min_pin_length=args.min_pin_length,
        touch=args.touch,
        max_credentials=args.max_credentials,
    )
    if args.aaguid:
        config.aaguid = bytes.fromhex(args.aaguid)
    credentials = _load_credentials(args.credentials) if args.credentials else ()
    device = SimulatedDevice(args.socket, config, pin=args.pin, retries=args.retries,
                             credentials=credentials)
    stop = threading.Event()
    for signal_number in (signal.SIGINT, signal.SIGTERM):
        signal.signal(signal_number, lambda *_: stop.set())
    device.plug()
    print(f"serving on {args.socket}", flush=True)
    stop.wait()
    device.unplug()
    print(json.dumps(_printable_state(device.state()), indent=2))


if __name__ == "__main__":
    main()
