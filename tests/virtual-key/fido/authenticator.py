"""CTAP2 authenticator state machine: getInfo, clientPIN (PIN/UV auth tokens included),
credential management and reset, plus the U2F VERSION command. Not thread-safe: the device
serialises calls."""

import hashlib
import hmac
import os
import time
from dataclasses import dataclass, field
from typing import Callable, Optional

from . import cbor
from .credential_management import CredentialManagement
from .credentials import DEFAULT_CAPACITY, CredentialStore
from .make_credential import make_credential
from .pin_protocol import (PERMISSION_CM, PERMISSION_GA, PERMISSION_MC, PROTOCOLS,
                           PinProtocolError)
from .status import (
    OK, ERR_INVALID_COMMAND, ERR_INVALID_PARAMETER, ERR_INVALID_LENGTH,
    ERR_CBOR_UNEXPECTED_TYPE, ERR_INVALID_CBOR, ERR_MISSING_PARAMETER, ERR_OPERATION_DENIED,
    ERR_KEEPALIVE_CANCEL, ERR_USER_ACTION_TIMEOUT, ERR_NOT_ALLOWED, ERR_PIN_INVALID,
    ERR_PIN_BLOCKED, ERR_PIN_AUTH_INVALID, ERR_PIN_AUTH_BLOCKED, ERR_PIN_NOT_SET,
    ERR_PUAT_REQUIRED, ERR_PIN_POLICY_VIOLATION, ERR_INVALID_SUBCOMMAND,
    ERR_UNAUTHORIZED_PERMISSION,
)

CMD_MAKE_CREDENTIAL = 0x01
CMD_GET_INFO = 0x04
CMD_CLIENT_PIN = 0x06
CMD_RESET = 0x07
CMD_CREDENTIAL_MANAGEMENT = 0x0A
CMD_CREDENTIAL_MANAGEMENT_PREVIEW = 0x41
PIN_TOKEN_LENGTH = 32

CREDENTIAL_MANAGEMENT_OPTIONS = {
    "credMgmt": CMD_CREDENTIAL_MANAGEMENT,
    "credentialMgmtPreview": CMD_CREDENTIAL_MANAGEMENT_PREVIEW,
}

MAX_PIN_RETRIES = 8
MAX_CONSECUTIVE_PIN_FAILURES = 3
PADDED_PIN_LENGTH = 64

SUBCOMMAND_NAMES = {
    1: "getPINRetries",
    2: "getKeyAgreement",
    3: "setPIN",
    4: "changePIN",
    5: "getPinToken",
    6: "getPinUvAuthTokenUsingUvWithPermissions",
    7: "getUVRetries",
    9: "getPinUvAuthTokenUsingPinWithPermissions",
}

TOUCH_OUTCOMES = {
    "grant": OK,
    "deny": ERR_OPERATION_DENIED,
    "timeout": ERR_USER_ACTION_TIMEOUT,
    "cancel": ERR_KEEPALIVE_CANCEL,
}


@dataclass
class AuthenticatorConfig:
    """What a test can choose about the authenticator it plugs in."""

    fido2: bool = True  # CBOR capability; False gives a U2F-only device
    version: tuple = (5, 2, 7)  # CTAPHID major, minor, build bytes
    versions: tuple = ("U2F_V2", "FIDO_2_0", "FIDO_2_1")
    aaguid: bytes = bytes.fromhex("8c9f1a2e4b7d40e1a6c35d0e9f7b2a61")
    client_pin: bool = True  # clientPin option present at all
    pin_protocols: tuple = (2, 1)
    min_pin_length: int = 4
    max_msg_size: int = 1200
    touch: str = "grant"  # grant | deny | timeout
    touch_delay: float = 0.3  # seconds of KEEPALIVE before the touch outcome
    reset_window: Optional[float] = None  # seconds after power-up reset is allowed
    # Some authenticators answer the wrong PIN that uses up the last try with "invalid"
    # rather than "blocked".
    last_wrong_pin_invalid: bool = False
    # Credential management commands answered, by their getInfo option names: "credMgmt"
    # (0x0A), "credentialMgmtPreview" (0x41). None: both when `versions` has FIDO_2_1, the
    # preview alone when it has FIDO_2_1_PRE; () for none. getInfo shows "credMgmt" when 0x0A
    # is answered, and "credentialMgmtPreview" when 0x41 is, on a key that lists FIDO_2_1_PRE
    # or does not answer 0x0A. libfido2 1.12 sends 0x41 whatever getInfo says.
    credential_management: Optional[tuple] = None
    # pinUvAuthToken option: getPinUvAuthTokenUsingPinWithPermissions answered, and libfido2
    # asks for tokens with permissions instead of using getPinToken.
    pin_uv_auth_token: bool = False
    # Tokens from the older getPinToken also serve credential management (they carry the cm
    # permission besides mc and ga), as platforms written before permissions expect.
    pin_token_credential_management: bool = True
    # Discoverable credentials the key can hold (read when the authenticator is made).
    max_credentials: int = DEFAULT_CAPACITY

    def credential_management_options(self) -> tuple:
        """The credential management commands answered, by option name."""
        if self.credential_management is not None:
            return tuple(self.credential_management)
        if "FIDO_2_1" in self.versions:
            return ("credMgmt", "credentialMgmtPreview")
        if "FIDO_2_1_PRE" in self.versions:
            return ("credentialMgmtPreview",)
        return ()

    def __post_init__(self):
        if self.touch not in ("grant", "deny", "timeout"):
            raise ValueError(f"unknown touch behaviour {self.touch!r}")
        if len(self.aaguid) != 16:
            raise ValueError("an AAGUID has 16 bytes")
        if len(self.version) != 3 or not all(0 <= part <= 255 for part in self.version):
            raise ValueError("version is three bytes")
        unknown = set(self.pin_protocols) - set(PROTOCOLS)
        if unknown:
            raise ValueError(f"unsupported PIN protocols {sorted(unknown)}")
        unknown = set(self.credential_management or ()) - set(CREDENTIAL_MANAGEMENT_OPTIONS)
        if unknown:
            raise ValueError(f"unknown credential management options {sorted(unknown)}")


@dataclass
class AuthenticatorState:
    """A copy of the authenticator's state for tests to inspect."""

    pin: Optional[str]
    retries: int
    consecutive_failures: int
    pin_auth_blocked: bool
    reset_count: int
    commands: list = field(default_factory=list)
    credentials: list = field(default_factory=list)  # Credential objects, in the key's order


# Waits for the user and returns one of the keys of TOUCH_OUTCOMES.
UserPresence = Callable[[str, float], str]


class Authenticator:
    def __init__(self, config: AuthenticatorConfig, pin: Optional[str] = None,
                 retries: int = MAX_PIN_RETRIES, credentials=()):
        if pin is not None and not config.client_pin:
            raise ValueError("a PIN needs the clientPin capability")
        if not 0 <= retries <= MAX_PIN_RETRIES:
            raise ValueError("retries lie between 0 and 8")
        self.config = config
        self.pin: Optional[bytes] = pin.encode("utf-8") if pin is not None else None
        self.retries = retries
        self.reset_count = 0
        self.sign_count = 0
        self.commands: list = []
        self.protocols = {number: PROTOCOLS[number]() for number in config.pin_protocols}
        self.credentials = CredentialStore(config.max_credentials, credentials)
        self.credential_management = CredentialManagement(self)
        self.power_cycle()

    def power_cycle(self):
        self.consecutive_failures = 0
        self.powered_up_at = time.monotonic()
        for protocol in self.protocols.values():
            protocol.regenerate()
        self.clear_pin_uv_auth_token()
        self.credential_management.take_enumeration()

    def clear_pin_uv_auth_token(self):
        """No valid token for any protocol: what power-up and a PIN change leave."""
        self.tokens = {}  # PIN protocol number -> token
        self.token_permissions = 0
        self.token_rp_id = None

    def _issue_pin_uv_auth_token(self, permissions: int, rp_id: Optional[str]) -> dict:
        """A new token for every protocol, the earlier ones void."""
        self.tokens = {number: os.urandom(PIN_TOKEN_LENGTH) for number in self.protocols}
        self.token_permissions = permissions
        self.token_rp_id = rp_id
        return self.tokens

    def plant(self, credential) -> None:
        """Put one more discoverable credential on the key (a Credential or its tuple)."""
        store = CredentialStore(self.credentials.capacity,
                                [*self.credentials.all(), credential])
        self.credentials = store

    def state(self) -> AuthenticatorState:
        return AuthenticatorState(
            pin=self.pin.decode("utf-8") if self.pin is not None else None,
            retries=self.retries,
            consecutive_failures=self.consecutive_failures,
            pin_auth_blocked=self.consecutive_failures >= MAX_CONSECUTIVE_PIN_FAILURES,
            reset_count=self.reset_count,
            commands=list(self.commands),
            credentials=self.credentials.all(),
        )

    # -- CTAP2 ---------------------------------------------------------------

    def handle_cbor(self, request: bytes, user_presence: UserPresence) -> bytes:
        """One authenticator command; returns the status byte and CBOR body."""
        if not request:
            return bytes([ERR_INVALID_LENGTH])
        command, body = request[0], request[1:]
        # An enumeration goes on only with the very next request.
        enumeration = self.credential_management.take_enumeration()
        try:
            params = cbor.decode(body) if body else {}
        except cbor.CborError:
            self.commands.append(f"cbor:{command:#04x}")
            return bytes([ERR_INVALID_CBOR])
        if command == CMD_MAKE_CREDENTIAL:
            self.commands.append("makeCredential")

            def touch():
                return TOUCH_OUTCOMES[user_presence(self.config.touch, self.config.touch_delay)]

            return self._reply(make_credential(self, params, touch))
        if command == CMD_GET_INFO:
            self.commands.append("getInfo")
            return self._reply(self._get_info())
        if command == CMD_CLIENT_PIN:
            return self._client_pin(params)
        if command == CMD_RESET:
            self.commands.append("reset")
            return bytes([self._reset(user_presence)])
        if command in self._credential_management_commands():
            return self._reply(self.credential_management.handle(command, body, params,
                                                                 enumeration))
        self.commands.append(f"cbor:{command:#04x}")
        return bytes([ERR_INVALID_COMMAND])

    @staticmethod
    def _reply(result) -> bytes:
        if isinstance(result, int):
            return bytes([result])
        return bytes([OK]) + cbor.encode(result)

    def _credential_management_commands(self) -> set:
        return {CREDENTIAL_MANAGEMENT_OPTIONS[option]
                for option in self.config.credential_management_options()}

    def _get_info(self) -> dict:
        options = {"rk": True, "up": True, "plat": False}
        if self.config.client_pin:
            options["clientPin"] = self.pin is not None
        if self.config.client_pin and self.config.pin_uv_auth_token:
            options["pinUvAuthToken"] = True
        answered = self.config.credential_management_options()
        if "credMgmt" in answered:
            options["credMgmt"] = True
        if "credentialMgmtPreview" in answered and \
                ("FIDO_2_1_PRE" in self.config.versions or "credMgmt" not in answered):
            options["credentialMgmtPreview"] = True
        info = {
            0x01: list(self.config.versions),
            0x03: self.config.aaguid,
            0x04: options,
            0x05: self.config.max_msg_size,
        }
        if self.config.client_pin and self.config.pin_protocols:
            info[0x06] = list(self.config.pin_protocols)
        if "FIDO_2_1" in self.config.versions:
            info[0x0D] = self.config.min_pin_length
        return info

    def _client_pin(self, params) -> bytes:
        if not isinstance(params, dict) or not isinstance(params.get(2), int):
            self.commands.append("clientPIN")
            return self._reply(ERR_MISSING_PARAMETER)
        subcommand = params[2]
        self.commands.append("clientPIN:" + SUBCOMMAND_NAMES.get(subcommand, str(subcommand)))
        if not self.config.client_pin:
            return self._reply(ERR_INVALID_COMMAND)
        if subcommand == 1:
            return self._reply({0x03: self.retries})
        handlers = {2: self._get_key_agreement, 3: self._set_pin, 4: self._change_pin,
                    5: self._get_pin_token}
        if self.config.pin_uv_auth_token:
            handlers[9] = self._get_pin_uv_auth_token_using_pin
        if subcommand not in handlers:
            return self._reply(ERR_INVALID_SUBCOMMAND)
        if params.get(1) is None:
            return self._reply(ERR_MISSING_PARAMETER)
        protocol = self.protocols.get(params[1])
        if protocol is None:
            return self._reply(ERR_INVALID_PARAMETER)
        try:
            return self._reply(handlers[subcommand](protocol, params))
        except PinProtocolError:
            return self._reply(ERR_INVALID_PARAMETER)

    def _get_key_agreement(self, protocol, params):
        return {0x01: protocol.key_agreement()}

    def _set_pin(self, protocol, params):
        if not _has_pin_parameters(params, (4, 5)):
            return ERR_MISSING_PARAMETER
        if self.pin is not None:
            return ERR_NOT_ALLOWED
        shared = protocol.decapsulate(params[3])
        if not protocol.verify(shared, params[5], params[4]):
            return ERR_PIN_AUTH_INVALID
        return self._store_new_pin(protocol, shared, params[5])

    def _change_pin(self, protocol, params):
        if not _has_pin_parameters(params, (4, 5, 6)):
            return ERR_MISSING_PARAMETER
        if self.pin is None:
            return ERR_PIN_NOT_SET
        if self.retries == 0:
            return ERR_PIN_BLOCKED
        if self.consecutive_failures >= MAX_CONSECUTIVE_PIN_FAILURES:
            return ERR_PIN_AUTH_BLOCKED
        shared = protocol.decapsulate(params[3])
        if not protocol.verify(shared, params[5] + params[6], params[4]):
            return ERR_PIN_AUTH_INVALID
        status = self._verify_pin_hash(protocol, shared, params[6])
        if status != OK:
            return status
        status = self._store_new_pin(protocol, shared, params[5])
        if status == OK:
            self.clear_pin_uv_auth_token()
        return status

    def _get_pin_token(self, protocol, params):
        permissions = PERMISSION_MC | PERMISSION_GA
        if self.config.pin_token_credential_management and self._credential_management_commands():
            permissions |= PERMISSION_CM
        return self._token_for_pin(protocol, params, permissions, None)

    def _get_pin_uv_auth_token_using_pin(self, protocol, params):
        if not _has_pin_parameters(params, (6,)) or params.get(9) is None:
            return ERR_MISSING_PARAMETER
        permissions, rp_id = params[9], params.get(0x0A)
        if not isinstance(permissions, int) or not isinstance(rp_id, (str, type(None))):
            return ERR_CBOR_UNEXPECTED_TYPE
        if permissions <= 0:
            return ERR_INVALID_PARAMETER
        granted = PERMISSION_MC | PERMISSION_GA
        if self._credential_management_commands():
            granted |= PERMISSION_CM
        if permissions & ~granted:
            return ERR_UNAUTHORIZED_PERMISSION
        return self._token_for_pin(protocol, params, permissions, rp_id)

    def _token_for_pin(self, protocol, params, permissions: int, rp_id):
        if not _has_pin_parameters(params, (6,)):
            return ERR_MISSING_PARAMETER
        if self.pin is None:
            return ERR_PIN_NOT_SET
        if self.retries == 0:
            return ERR_PIN_BLOCKED
        if self.consecutive_failures >= MAX_CONSECUTIVE_PIN_FAILURES:
            return ERR_PIN_AUTH_BLOCKED
        shared = protocol.decapsulate(params[3])
        status = self._verify_pin_hash(protocol, shared, params[6])
        if status != OK:
            return status
        tokens = self._issue_pin_uv_auth_token(permissions, rp_id)
        return {0x02: protocol.encrypt(shared, tokens[protocol.version])}

    def authorize(self, params: dict, message: bytes, permission: int) -> int:
        """Checks a request's pinUvAuthProtocol (key 3) and pinUvAuthParam (key 4) over
        `message` against the current token, which must carry `permission`. The caller
        checks the token's RP ID, whose rules differ by request."""
        if params.get(4) is None:
            return ERR_PUAT_REQUIRED
        if params.get(3) is None:
            return ERR_MISSING_PARAMETER
        if not isinstance(params[3], int) or not isinstance(params[4], bytes):
            return ERR_CBOR_UNEXPECTED_TYPE
        protocol = self.protocols.get(params[3])
        if protocol is None:
            return ERR_INVALID_PARAMETER
        token = self.tokens.get(protocol.version)
        if token is None or not protocol.verify(token, message, params[4]):
            return ERR_PIN_AUTH_INVALID
        if not self.token_permissions & permission:
            return ERR_PIN_AUTH_INVALID
        return OK

    def _verify_pin_hash(self, protocol, shared: bytes, pin_hash_enc: bytes) -> int:
        self.retries -= 1
        pin_hash = protocol.decrypt(shared, pin_hash_enc)
        expected = hashlib.sha256(self.pin).digest()[:16]
        if hmac.compare_digest(pin_hash, expected):
            self.retries = MAX_PIN_RETRIES
            self.consecutive_failures = 0
            return OK
        for each in self.protocols.values():
            each.regenerate()
        self.consecutive_failures += 1
        if self.retries == 0:
            return ERR_PIN_INVALID if self.config.last_wrong_pin_invalid else ERR_PIN_BLOCKED
        if self.consecutive_failures >= MAX_CONSECUTIVE_PIN_FAILURES:
            return ERR_PIN_AUTH_BLOCKED
        return ERR_PIN_INVALID

    def _store_new_pin(self, protocol, shared: bytes, new_pin_enc: bytes) -> int:
        padded = protocol.decrypt(shared, new_pin_enc)
        if len(padded) != PADDED_PIN_LENGTH:
            return ERR_INVALID_PARAMETER
        if padded[-1] != 0:
            return ERR_PIN_POLICY_VIOLATION
        new_pin = padded.rstrip(b"\0")
        try:
            code_points = len(new_pin.decode("utf-8"))
        except UnicodeDecodeError:
            return ERR_PIN_POLICY_VIOLATION
        if code_points < self.config.min_pin_length:
            return ERR_PIN_POLICY_VIOLATION
        self.pin = new_pin
        self.retries = MAX_PIN_RETRIES
        return OK

    def _reset(self, user_presence: UserPresence) -> int:
        window = self.config.reset_window
        if window is not None and time.monotonic() - self.powered_up_at > window:
            return ERR_NOT_ALLOWED
        status = TOUCH_OUTCOMES[user_presence(self.config.touch, self.config.touch_delay)]
        if status != OK:
            return status
        self.pin = None
        self.retries = MAX_PIN_RETRIES
        self.consecutive_failures = 0
        self.reset_count += 1
        self.credentials.clear()
        for protocol in self.protocols.values():
            protocol.regenerate()
        self.clear_pin_uv_auth_token()
        return OK

    # -- U2F -----------------------------------------------------------------

    def handle_u2f(self, apdu: bytes) -> bytes:
        if len(apdu) < 4:
            self.commands.append("u2f")
            return b"\x67\x00"
        instruction = apdu[1]
        if instruction == 0x03:
            self.commands.append("u2f:version")
            return b"U2F_V2\x90\x00"
        self.commands.append(f"u2f:{instruction:#04x}")
        return b"\x6d\x00"


def _has_pin_parameters(params: dict, byte_keys: tuple) -> bool:
    """The platform's key agreement plus the given byte-string parameters."""
    if not isinstance(params.get(3), dict):
        return False
    return all(isinstance(params.get(key), bytes) for key in byte_keys)
