"""Credential management (command 0x0A, and 0x41 as keys of before CTAP 2.1 knew it): the
platform reads the count of discoverable credentials, walks the relying parties and each
one's credentials, deletes a credential or renames its user. Every Begin and every change
is authorised by the PIN/UV auth token with the cm permission; a GetNext must come as the
very next request after its Begin or another GetNext."""

import hashlib

from . import cbor
from .credentials import cose_public_key
from .pin_protocol import PERMISSION_CM
from .status import (
    ERR_CBOR_UNEXPECTED_TYPE, ERR_INVALID_CBOR, ERR_INVALID_PARAMETER,
    ERR_INVALID_SUBCOMMAND, ERR_MISSING_PARAMETER, ERR_NO_CREDENTIALS, ERR_NOT_ALLOWED,
    ERR_PIN_AUTH_INVALID, OK,
)

GET_CREDS_METADATA = 0x01
ENUMERATE_RPS_BEGIN = 0x02
ENUMERATE_RPS_GET_NEXT_RP = 0x03
ENUMERATE_CREDENTIALS_BEGIN = 0x04
ENUMERATE_CREDENTIALS_GET_NEXT_CREDENTIAL = 0x05
DELETE_CREDENTIAL = 0x06
UPDATE_USER_INFORMATION = 0x07

SUBCOMMAND_NAMES = {
    GET_CREDS_METADATA: "getCredsMetadata",
    ENUMERATE_RPS_BEGIN: "enumerateRPsBegin",
    ENUMERATE_RPS_GET_NEXT_RP: "enumerateRPsGetNextRP",
    ENUMERATE_CREDENTIALS_BEGIN: "enumerateCredentialsBegin",
    ENUMERATE_CREDENTIALS_GET_NEXT_CREDENTIAL: "enumerateCredentialsGetNextCredential",
    DELETE_CREDENTIAL: "deleteCredential",
    UPDATE_USER_INFORMATION: "updateUserInformation",
}
COMMAND_NAMES = {0x0A: "credMgmt", 0x41: "credMgmtPreview"}

# Request parameters and subCommandParams keys.
SUBCOMMAND, SUBCOMMAND_PARAMS = 0x01, 0x02
PARAM_RP_ID_HASH, PARAM_CREDENTIAL_ID, PARAM_USER = 0x01, 0x02, 0x03

# Response keys.
EXISTING_COUNT, REMAINING_COUNT = 0x01, 0x02
RP, RP_ID_HASH, TOTAL_RPS = 0x03, 0x04, 0x05
USER, CREDENTIAL_ID, PUBLIC_KEY, TOTAL_CREDENTIALS = 0x06, 0x07, 0x08, 0x09
CRED_PROTECT, LARGE_BLOB_KEY = 0x0A, 0x0B

# What a GetNext continues.
RPS, CREDENTIALS = "rps", "credentials"


class CredentialManagement:
    def __init__(self, authenticator):
        self.authenticator = authenticator
        self._enumeration = None  # (RPS or CREDENTIALS, what is still to give)

    def take_enumeration(self):
        """The enumeration under way, which ends unless the request continues it."""
        enumeration, self._enumeration = self._enumeration, None
        return enumeration

    def handle(self, command: int, body: bytes, params, enumeration):
        """Status code, or the response map."""
        log = self.authenticator.commands
        name = COMMAND_NAMES[command]
        if not isinstance(params, dict) or params.get(SUBCOMMAND) is None:
            log.append(name)
            return ERR_MISSING_PARAMETER
        subcommand = params[SUBCOMMAND]
        log.append(f"{name}:{SUBCOMMAND_NAMES.get(subcommand, subcommand)}")
        if not isinstance(subcommand, int):
            return ERR_CBOR_UNEXPECTED_TYPE
        if subcommand == ENUMERATE_RPS_GET_NEXT_RP:
            return self._next(enumeration, RPS)
        if subcommand == ENUMERATE_CREDENTIALS_GET_NEXT_CREDENTIAL:
            return self._next(enumeration, CREDENTIALS)
        handlers = {
            GET_CREDS_METADATA: self._metadata,
            ENUMERATE_RPS_BEGIN: self._rps_begin,
            ENUMERATE_CREDENTIALS_BEGIN: self._credentials_begin,
            DELETE_CREDENTIAL: self._delete,
            UPDATE_USER_INFORMATION: self._update_user,
        }
        if subcommand not in handlers:
            return ERR_INVALID_SUBCOMMAND
        sub_params = params.get(SUBCOMMAND_PARAMS)
        if sub_params is not None and not isinstance(sub_params, dict):
            return ERR_CBOR_UNEXPECTED_TYPE
        # The MAC covers the subcommand and its parameters as the platform encoded them.
        try:
            encoded = cbor.decode_map_values(body).get(SUBCOMMAND_PARAMS, b"")
        except cbor.CborError:
            return ERR_INVALID_CBOR
        status = self.authenticator.authorize(params, bytes([subcommand]) + encoded,
                                              PERMISSION_CM)
        if status != OK:
            return status
        return handlers[subcommand](sub_params or {})

    # -- subcommands -----------------------------------------------------------

    def _metadata(self, sub_params):
        if self.authenticator.token_rp_id is not None:
            return ERR_PIN_AUTH_INVALID
        store = self.authenticator.credentials
        return {EXISTING_COUNT: len(store), REMAINING_COUNT: store.remaining}

    def _rps_begin(self, sub_params):
        if self.authenticator.token_rp_id is not None:
            return ERR_PIN_AUTH_INVALID
        rps = self.authenticator.credentials.relying_parties()
        if not rps:
            return ERR_NO_CREDENTIALS
        response = _rp_response(rps[0])
        response[TOTAL_RPS] = len(rps)
        self._continue(RPS, rps[1:])
        return response

    def _credentials_begin(self, sub_params):
        rp_id_hash = sub_params.get(PARAM_RP_ID_HASH)
        if rp_id_hash is None:
            return ERR_MISSING_PARAMETER
        if not isinstance(rp_id_hash, bytes):
            return ERR_CBOR_UNEXPECTED_TYPE
        if len(rp_id_hash) != 32:
            return ERR_INVALID_PARAMETER
        bound = self.authenticator.token_rp_id
        if bound is not None and hashlib.sha256(bound.encode("utf-8")).digest() != rp_id_hash:
            return ERR_PIN_AUTH_INVALID
        credentials = self.authenticator.credentials.of_rp_hash(rp_id_hash)
        if not credentials:
            return ERR_NO_CREDENTIALS
        response = _credential_response(credentials[0])
        response[TOTAL_CREDENTIALS] = len(credentials)
        self._continue(CREDENTIALS, credentials[1:])
        return response

    def _delete(self, sub_params):
        credential, status = self._credential_named(sub_params)
        if credential is None:
            return status
        self.authenticator.credentials.delete(credential.credential_id)
        return OK

    def _update_user(self, sub_params):
        user = sub_params.get(PARAM_USER)
        if user is None:
            return ERR_MISSING_PARAMETER
        if not isinstance(user, dict) or not isinstance(user.get("id"), bytes):
            return ERR_CBOR_UNEXPECTED_TYPE
        for field in ("name", "displayName"):
            if not isinstance(user.get(field, ""), str):
                return ERR_CBOR_UNEXPECTED_TYPE
        credential, status = self._credential_named(sub_params)
        if credential is None:
            return status
        if user["id"] != credential.user_id:
            return ERR_INVALID_PARAMETER
        self.authenticator.credentials.update_user(credential.credential_id, user)
        return OK

    def _credential_named(self, sub_params):
        """(credential, OK) for the descriptor in subCommandParams, else (None, status)."""
        descriptor = sub_params.get(PARAM_CREDENTIAL_ID)
        if descriptor is None:
            return None, ERR_MISSING_PARAMETER
        if not isinstance(descriptor, dict) or not isinstance(descriptor.get("id"), bytes):
            return None, ERR_CBOR_UNEXPECTED_TYPE
        credential = self.authenticator.credentials.find(descriptor["id"])
        if credential is None:
            return None, ERR_NO_CREDENTIALS
        bound = self.authenticator.token_rp_id
        if bound is not None and bound != credential.rp_id:
            return None, ERR_PIN_AUTH_INVALID
        return credential, OK

    # -- enumerations ----------------------------------------------------------

    def _continue(self, kind: str, rest: list):
        self._enumeration = (kind, rest) if rest else None

    def _next(self, enumeration, kind: str):
        if enumeration is None or enumeration[0] != kind:
            return ERR_NOT_ALLOWED
        first, *rest = enumeration[1]
        self._continue(kind, rest)
        return _rp_response(first) if kind == RPS else _credential_response(first)


def _rp_response(credential) -> dict:
    return {RP: credential.rp_entity(), RP_ID_HASH: credential.rp_id_hash}


def _credential_response(credential) -> dict:
    response = {
        USER: credential.user_entity(),
        CREDENTIAL_ID: credential.descriptor(),
        PUBLIC_KEY: cose_public_key(credential.key),
        CRED_PROTECT: credential.cred_protect,
    }
    if credential.large_blob_key is not None:
        response[LARGE_BLOB_KEY] = credential.large_blob_key
    return response
