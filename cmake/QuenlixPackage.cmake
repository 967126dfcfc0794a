# The Debian package, made by `cpack -G DEB` (see scripts/package).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenlix-key)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "quenlix-key maintainers <maintainers@quenlix-key.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manage Quenlix USB security keys from the command line")
# CPack indents every line and turns empty ones into " ."; the synopsis is the summary above.
# The list lines start with a blank, so that they are shown as they stand.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"quenlix-key is a console program for the USB security keys of the Quenlix
family. One run performs one operation, named by a subcommand:

 * info: name, version, production date and serial number of the key;
 * list: smart-card readers that hold a key, and FIDO2 device paths;
 * fido: FIDO2 authenticator information, PIN and reset;
 * totp, hotp: one-time-password credentials and codes;
 * piv: PIV PIN, PUK, management key, key pairs and certificates.

The smart-card functions are reached through the PC/SC daemon (pcscd), the
FIDO2 authenticator through libfido2. A udev rule gives the user logged in
at the seat access to the key's FIDO2 interface.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS pcscd)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
