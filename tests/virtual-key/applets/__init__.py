"""Applets of the virtual key.

The card manager and the key-information applet are always available. Every other module
here that defines `make()` (hotp.py, totp.py, piv.py, ...) is a plug-in: the default key
carries one fresh applet from each.
"""

import importlib
import pkgutil

_CORE_MODULES = {"base", "card_manager", "key_info"}


def plugin_modules() -> list[str]:
    names = (module.name for module in pkgutil.iter_modules(__path__))
    return sorted(name for name in names if name not in _CORE_MODULES and not name.startswith("_"))


def make_plugin_applets() -> list:
    applets = []
    for name in plugin_modules():
        module = importlib.import_module(f"{__name__}.{name}")
        make = getattr(module, "make", None)
        if make is not None:
            applets.append(make())
    return applets
