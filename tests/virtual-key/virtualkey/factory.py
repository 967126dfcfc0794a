"""The default key: card manager, key-information applet and every plug-in applet."""

from applets import make_plugin_applets
from applets.card_manager import DEFAULT_DATE, DEFAULT_NAME, DEFAULT_VERSION, CardManager
from applets.key_info import DEFAULT_SERIAL, KeyInfo

from .atr import ATR_B, ATR_PLAIN
from .card import VirtualKey


def make_key(
    atr=ATR_B,
    *,
    name=DEFAULT_NAME,
    version=DEFAULT_VERSION,
    date=DEFAULT_DATE,
    serial=DEFAULT_SERIAL,
    key_info=True,
    plugins=True,
    extra_applets=(),
    **card_options,
) -> VirtualKey:
    """A fresh key. key_info=False leaves the key-information applet out; plugins=False
    leaves out the applets of applets/*.py; card_options go to VirtualKey."""
    applets = [CardManager(name, version, date)]
    if key_info:
        applets.append(KeyInfo(serial))
    if plugins:
        applets.extend(make_plugin_applets())
    applets.extend(extra_applets)
    return VirtualKey(atr=atr, applets=applets, **card_options)


def make_plain_card(atr=None) -> VirtualKey:
    """An ordinary smart card of another maker: none of the key's applets."""
    return VirtualKey(atr=atr or ATR_PLAIN, applets=[], default_aid=None)
