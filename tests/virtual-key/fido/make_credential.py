"""authenticatorMakeCredential: a new ES256 or EdDSA credential after a touch, with packed
self attestation (signed by the new credential's own key). With the rk option it is kept on
the key as a discoverable credential, taking the place of one for the same RP and user; a
credential ID without rk is random and forgotten at once."""

import os
import struct

from cryptography.hazmat.primitives import hashes
from cryptography.hazmat.primitives.asymmetric import ec

from . import cbor
from .credentials import ALG_EDDSA, ALG_ES256, Credential, cose_public_key, new_key
from .pin_protocol import PERMISSION_MC
from .status import (
    ERR_CBOR_UNEXPECTED_TYPE, ERR_INVALID_OPTION, ERR_INVALID_PARAMETER, ERR_KEY_STORE_FULL,
    ERR_MISSING_PARAMETER, ERR_PIN_INVALID, ERR_PIN_NOT_SET, ERR_PUAT_REQUIRED,
    ERR_UNSUPPORTED_ALGORITHM, ERR_UNSUPPORTED_OPTION, ERR_CREDENTIAL_EXCLUDED,
    ERR_PIN_AUTH_INVALID, OK,
)

CLIENT_DATA_HASH, RP, USER, PUB_KEY_CRED_PARAMS = 0x01, 0x02, 0x03, 0x04
EXCLUDE_LIST, EXTENSIONS, OPTIONS = 0x05, 0x06, 0x07
PIN_UV_AUTH_PARAM, PIN_UV_AUTH_PROTOCOL = 0x08, 0x09

FLAG_UP, FLAG_UV, FLAG_AT, FLAG_ED = 0x01, 0x04, 0x40, 0x80
KEY_KINDS = {ALG_ES256: "es256", ALG_EDDSA: "eddsa"}
CREDENTIAL_ID_LENGTH = 32


def make_credential(authenticator, params, touch) -> object:
    """Status code or response map; `touch()` waits for the user and gives a status code."""
    if not isinstance(params, dict):
        return ERR_CBOR_UNEXPECTED_TYPE
    pin_uv_auth_param = params.get(PIN_UV_AUTH_PARAM)
    if pin_uv_auth_param == b"":
        # A platform asking which key the user means: touch, then say whether a PIN is set.
        status = touch()
        if status != OK:
            return status
        return ERR_PIN_INVALID if authenticator.pin is not None else ERR_PIN_NOT_SET
    for key in (CLIENT_DATA_HASH, RP, USER, PUB_KEY_CRED_PARAMS):
        if key not in params:
            return ERR_MISSING_PARAMETER
    client_data_hash, rp, user = params[CLIENT_DATA_HASH], params[RP], params[USER]
    if not isinstance(client_data_hash, bytes) or not isinstance(rp, dict) or \
            not isinstance(user, dict) or not isinstance(params[PUB_KEY_CRED_PARAMS], list):
        return ERR_CBOR_UNEXPECTED_TYPE
    if not isinstance(rp.get("id"), str) or not isinstance(user.get("id"), bytes):
        return ERR_MISSING_PARAMETER
    for entity, fields in ((rp, ("name",)), (user, ("name", "displayName"))):
        if any(not isinstance(entity.get(field, ""), str) for field in fields):
            return ERR_CBOR_UNEXPECTED_TYPE
    if not 1 <= len(user["id"]) <= 64:
        return ERR_INVALID_PARAMETER
    algorithm = _first_supported_algorithm(params[PUB_KEY_CRED_PARAMS])
    if algorithm is None:
        return ERR_UNSUPPORTED_ALGORITHM
    options = params.get(OPTIONS, {})
    if not isinstance(options, dict) or \
            any(not isinstance(value, bool) for value in options.values()):
        return ERR_CBOR_UNEXPECTED_TYPE
    if options.get("up") is False:
        return ERR_INVALID_OPTION
    if options.get("uv"):
        return ERR_UNSUPPORTED_OPTION  # no built-in user verification
    resident = options.get("rk", False)

    verified = False
    if pin_uv_auth_param is not None:
        status = authenticator.authorize({3: params.get(PIN_UV_AUTH_PROTOCOL),
                                          4: pin_uv_auth_param},
                                         client_data_hash, PERMISSION_MC)
        if status != OK:
            return status
        bound = authenticator.token_rp_id
        if bound is not None and bound != rp["id"]:
            return ERR_PIN_AUTH_INVALID
        authenticator.token_rp_id = rp["id"]
        verified = True
    elif authenticator.pin is not None:
        return ERR_PUAT_REQUIRED

    extensions = params.get(EXTENSIONS, {})
    if not isinstance(extensions, dict):
        return ERR_CBOR_UNEXPECTED_TYPE
    cred_protect = extensions.get("credProtect", 1)
    if cred_protect not in (1, 2, 3):
        return ERR_INVALID_PARAMETER

    store = authenticator.credentials
    for descriptor in params.get(EXCLUDE_LIST, []):
        found = isinstance(descriptor, dict) and store.find(descriptor.get("id"))
        if found and found.rp_id == rp["id"]:
            status = touch()
            return status if status != OK else ERR_CREDENTIAL_EXCLUDED
    replaces = store.find_user(rp["id"], user["id"]) is not None
    if resident and not replaces and store.remaining <= 0:
        return ERR_KEY_STORE_FULL

    status = touch()
    if status != OK:
        return status
    credential = Credential(rp["id"], rp.get("name"), user["id"], user.get("name"),
                            user.get("displayName"), os.urandom(CREDENTIAL_ID_LENGTH),
                            new_key(KEY_KINDS[algorithm]), cred_protect)
    if resident:
        store.store(credential)
    auth_data = _auth_data(authenticator, credential, verified,
                           {"credProtect": cred_protect} if "credProtect" in extensions else None)
    signature = _sign(credential.key, auth_data + client_data_hash)
    return {0x01: "packed", 0x02: auth_data, 0x03: {"alg": algorithm, "sig": signature}}


def _first_supported_algorithm(parameters):
    for entry in parameters:
        if isinstance(entry, dict) and entry.get("type") == "public-key" and \
                entry.get("alg") in KEY_KINDS:
            return entry["alg"]
    return None


def _auth_data(authenticator, credential, verified: bool, extensions) -> bytes:
    flags = FLAG_UP | FLAG_AT | (FLAG_UV if verified else 0) | (FLAG_ED if extensions else 0)
    authenticator.sign_count += 1
    data = credential.rp_id_hash + bytes([flags]) + struct.pack(">I", authenticator.sign_count)
    data += authenticator.config.aaguid + struct.pack(">H", len(credential.credential_id))
    data += credential.credential_id + cbor.encode(cose_public_key(credential.key))
    if extensions:
        data += cbor.encode(extensions)
    return data


def _sign(key, message: bytes) -> bytes:
    if isinstance(key, ec.EllipticCurvePrivateKey):
        return key.sign(message, ec.ECDSA(hashes.SHA256()))
    return key.sign(message)
