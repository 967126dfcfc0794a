"""The virtual key: a simulated smart card of the key, served to pcscd through vpcd."""

from .apdu import hexstr
from .atr import ATR_A, ATR_A_BAD_TCK, ATR_B, ATR_PLAIN, atr_from_text, with_check_byte
from .card import Exchange, VirtualKey
from .factory import make_key, make_plain_card
from .faults import PULL_CARD, Fault
from .holder import ReaderHolder
from .reader import VirtualReader
from .vpcd import READER0, READER1, VpcdLink, reader_name_of
