"""Discoverable credentials kept on the authenticator, in the key's order: relying parties in
the order their first credential arrived, and each one's credentials in the order they
arrived. A relying party whose last credential goes is forgotten."""

import hashlib
from dataclasses import dataclass, field, replace
from typing import Optional

from cryptography.hazmat.primitives.asymmetric import ec, ed25519

# COSE key labels and values for the two key types the simulator keeps.
COSE_KTY, COSE_ALG, COSE_CRV, COSE_X, COSE_Y = 1, 3, -1, -2, -3
COSE_KTY_OKP, COSE_KTY_EC2 = 1, 2
COSE_CRV_P256, COSE_CRV_ED25519 = 1, 6
ALG_ES256, ALG_EDDSA = -7, -8

# credProtect levels: userVerificationOptional, ...WithCredentialIDList, ...Required.
CRED_PROTECT_LEVELS = (1, 2, 3)
DEFAULT_CAPACITY = 25


def new_key(kind: str = "es256"):
    if kind == "es256":
        return ec.generate_private_key(ec.SECP256R1())
    if kind == "eddsa":
        return ed25519.Ed25519PrivateKey.generate()
    raise ValueError(f"unknown key type {kind!r}")


def cose_public_key(key) -> dict:
    public = key.public_key()
    if isinstance(public, ec.EllipticCurvePublicKey):
        numbers = public.public_numbers()
        return {COSE_KTY: COSE_KTY_EC2, COSE_ALG: ALG_ES256, COSE_CRV: COSE_CRV_P256,
                COSE_X: numbers.x.to_bytes(32, "big"), COSE_Y: numbers.y.to_bytes(32, "big")}
    from cryptography.hazmat.primitives import serialization

    raw = public.public_bytes(serialization.Encoding.Raw, serialization.PublicFormat.Raw)
    return {COSE_KTY: COSE_KTY_OKP, COSE_ALG: ALG_EDDSA, COSE_CRV: COSE_CRV_ED25519,
            COSE_X: raw}


def algorithm(key) -> int:
    return ALG_ES256 if isinstance(key, ec.EllipticCurvePrivateKey) else ALG_EDDSA


@dataclass(frozen=True)
class Credential:
    """One discoverable credential. `key` is a P-256 or Ed25519 private key, or "es256" /
    "eddsa" / None (P-256) to have one made."""

    rp_id: str
    rp_name: Optional[str]
    user_id: bytes
    user_name: Optional[str]
    display_name: Optional[str]
    credential_id: bytes
    key: object = field(default=None, repr=False)
    cred_protect: int = 1
    large_blob_key: Optional[bytes] = None

    def __post_init__(self):
        if not isinstance(self.rp_id, str) or not self.rp_id:
            raise ValueError("a relying party ID is a non-empty text")
        if not isinstance(self.user_id, bytes) or not 1 <= len(self.user_id) <= 64:
            raise ValueError("a user ID has 1 to 64 bytes")
        if not isinstance(self.credential_id, bytes) or not 1 <= len(self.credential_id) <= 1023:
            raise ValueError("a credential ID has 1 to 1023 bytes")
        if self.cred_protect not in CRED_PROTECT_LEVELS:
            raise ValueError(f"credProtect is one of {CRED_PROTECT_LEVELS}")
        if self.large_blob_key is not None and len(self.large_blob_key) != 32:
            raise ValueError("a largeBlobKey has 32 bytes")
        if self.key is None or isinstance(self.key, str):
            object.__setattr__(self, "key", new_key(self.key or "es256"))
        elif not isinstance(self.key, (ec.EllipticCurvePrivateKey, ed25519.Ed25519PrivateKey)):
            raise ValueError("a credential key is a P-256 or Ed25519 private key")
        elif isinstance(self.key, ec.EllipticCurvePrivateKey) and \
                not isinstance(self.key.curve, ec.SECP256R1):
            raise ValueError("EC credential keys are on P-256")

    @classmethod
    def of(cls, entry) -> "Credential":
        """A Credential, or the tuple (rp_id, rp_name, user_id, user_name, display_name,
        credential_id[, key])."""
        if isinstance(entry, Credential):
            return entry
        return cls(*entry)

    @property
    def rp_id_hash(self) -> bytes:
        return hashlib.sha256(self.rp_id.encode("utf-8")).digest()

    def rp_entity(self) -> dict:
        entity = {"id": self.rp_id}
        if self.rp_name is not None:
            entity["name"] = self.rp_name
        return entity

    def user_entity(self) -> dict:
        entity = {"id": self.user_id}
        if self.user_name is not None:
            entity["name"] = self.user_name
        if self.display_name is not None:
            entity["displayName"] = self.display_name
        return entity

    def descriptor(self) -> dict:
        return {"id": self.credential_id, "type": "public-key"}


class CredentialStore:
    def __init__(self, capacity: int = DEFAULT_CAPACITY, planted=()):
        if capacity < 0:
            raise ValueError("capacity cannot be negative")
        self.capacity = capacity
        self._rps: dict = {}  # rp_id -> list of Credential, both in the key's order
        for entry in planted:
            credential = Credential.of(entry)
            if self.find(credential.credential_id) is not None:
                raise ValueError(f"credential ID {credential.credential_id.hex()} planted twice")
            if self.find_user(credential.rp_id, credential.user_id) is not None:
                raise ValueError(f"{credential.rp_id} holds user {credential.user_id.hex()} "
                                 "twice: a key keeps one credential per user and RP")
            first = self._rps.get(credential.rp_id)
            if first and first[0].rp_name != credential.rp_name:
                raise ValueError(f"{credential.rp_id} planted with two names")
            if len(self) >= capacity:
                raise ValueError(f"more than {capacity} credentials planted")
            self._rps.setdefault(credential.rp_id, []).append(credential)

    def __len__(self):
        return sum(len(credentials) for credentials in self._rps.values())

    @property
    def remaining(self) -> int:
        return self.capacity - len(self)

    def all(self) -> list:
        return [credential for credentials in self._rps.values() for credential in credentials]

    def relying_parties(self) -> list:
        """The first credential of each relying party: it stands for the RP entity."""
        return [credentials[0] for credentials in self._rps.values()]

    def of_rp_hash(self, rp_id_hash: bytes) -> list:
        for credentials in self._rps.values():
            if credentials[0].rp_id_hash == rp_id_hash:
                return list(credentials)
        return []

    def find(self, credential_id: bytes) -> Optional[Credential]:
        for credential in self.all():
            if credential.credential_id == credential_id:
                return credential
        return None

    def find_user(self, rp_id: str, user_id: bytes) -> Optional[Credential]:
        for credential in self._rps.get(rp_id, ()):
            if credential.user_id == user_id:
                return credential
        return None

    def store(self, credential: Credential) -> bool:
        """Add, or take the place of the RP's credential for the same user; False when full."""
        credentials = self._rps.get(credential.rp_id, [])
        for index, existing in enumerate(credentials):
            if existing.user_id == credential.user_id:
                credentials[index] = credential
                return True
        if self.remaining <= 0:
            return False
        self._rps.setdefault(credential.rp_id, []).append(credential)
        return True

    def delete(self, credential_id: bytes) -> bool:
        for rp_id, credentials in self._rps.items():
            for credential in credentials:
                if credential.credential_id == credential_id:
                    credentials.remove(credential)
                    if not credentials:
                        del self._rps[rp_id]
                    return True
        return False

    def update_user(self, credential_id: bytes, user: dict) -> None:
        for credentials in self._rps.values():
            for index, credential in enumerate(credentials):
                if credential.credential_id == credential_id:
                    credentials[index] = replace(credential, user_name=user.get("name") or None,
                                                 display_name=user.get("displayName") or None)
                    return

    def clear(self):
        self._rps.clear()
