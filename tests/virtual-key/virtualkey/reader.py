"""A vpcd reader slot as tests see it: insert, swap and pull cards, wait for pcscd to notice."""

from . import pcsc
from .vpcd import VpcdLink, port_of, reader_name_of

SEEN_TIMEOUT = 15.0


class ReaderNotReady(RuntimeError):
    pass


class VirtualReader:
    def __init__(self, index: int):
        self.index = index
        self.port = port_of(index)
        self.name = reader_name_of(index)
        self._link = None

    @property
    def card(self):
        """The card in the reader, or None."""
        return self._link.card if self._link is not None and self._link.connected else None

    def insert(self, card, wait=True):
        """Insert the card (pulling any card first); with wait, until pcscd reports its ATR."""
        self.remove(wait=wait)
        self._link = VpcdLink(card, self.port)
        self._link.connect()
        if wait:
            self.wait_present(card.atr)
        return card

    def put(self, card):
        """Make this the card in the reader. A card with the ATR that pcscd already knows replaces
        the present one in place, which spares a removal and insertion; else it is inserted."""
        if self.card is not None and self.card.atr == card.atr:
            self._link.card = card
            return card
        return self.insert(card)

    def remove(self, wait=True):
        """Pull the card out; with wait, until pcscd reports the reader empty."""
        link, self._link = self._link, None
        if link is None:
            return
        link.close()
        if wait:
            self.wait_empty()

    def wait_present(self, atr=None, timeout=SEEN_TIMEOUT):
        if not pcsc.wait_card(self.name, atr, timeout):
            raise ReaderNotReady(f"pcscd did not report the card in {self.name}")

    def wait_empty(self, timeout=SEEN_TIMEOUT):
        if not pcsc.wait_empty(self.name, timeout):
            raise ReaderNotReady(f"pcscd did not report {self.name} empty")
