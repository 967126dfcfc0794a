# What `cmake --install` and the Debian package put on the system.
include(GNUInstallDirs)

set(QUENLIX_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "udev rules folder, relative to the installation prefix unless absolute")
set(QUENLIX_BASH_COMPLETION_DIR "${CMAKE_INSTALL_DATADIR}/bash-completion/completions" CACHE STRING
    "bash-completion folder, relative to the installation prefix unless absolute")

find_program(QUENLIX_GZIP gzip REQUIRED)

# udev spells USB ids as four lower-case hex digits without "0x".
function(quenlix_udev_usb_id value out)
  string(REGEX REPLACE "^0[xX]" "" digits "${value}")
  string(TOLOWER "${digits}" digits)
  if(NOT digits MATCHES "^[0-9a-f][0-9a-f]?[0-9a-f]?[0-9a-f]?$")
    message(FATAL_ERROR "Not a 16-bit hex USB id: ${value}")
  endif()
  string(LENGTH "${digits}" length)
  math(EXPR padding "4 - ${length}")
  string(REPEAT "0" ${padding} zeros)
  set(${out} "${zeros}${digits}" PARENT_SCOPE)
endfunction()

quenlix_udev_usb_id("${QUENLIX_USB_VENDOR_ID}" QUENLIX_UDEV_VENDOR_ID)
quenlix_udev_usb_id("${QUENLIX_USB_PRODUCT_ID}" QUENLIX_UDEV_PRODUCT_ID)
set(QUENLIX_UDEV_RULE ${PROJECT_BINARY_DIR}/70-quenlix-key.rules)
configure_file(packaging/70-quenlix-key.rules.in ${QUENLIX_UDEV_RULE} @ONLY)

# Debian wants the man page and the changelog compressed, reproducibly (no name, no time).
set(QUENLIX_CHANGELOG ${PROJECT_BINARY_DIR}/changelog)
configure_file(packaging/changelog.in ${QUENLIX_CHANGELOG} @ONLY)
if(IS_ABSOLUTE "${QUENLIX_UDEV_RULES_DIR}")
  set(QUENLIX_UDEV_RULE_PATH ${QUENLIX_UDEV_RULES_DIR}/70-quenlix-key.rules)
else()
  set(QUENLIX_UDEV_RULE_PATH ${CMAKE_INSTALL_PREFIX}/${QUENLIX_UDEV_RULES_DIR}/70-quenlix-key.rules)
endif()
set(QUENLIX_MAN_PAGE ${PROJECT_BINARY_DIR}/quenlix-key.1)
configure_file(doc/quenlix-key.1.in ${QUENLIX_MAN_PAGE} @ONLY)
add_custom_command(OUTPUT quenlix-key.1.gz
  COMMAND ${QUENLIX_GZIP} -9 -n -c ${QUENLIX_MAN_PAGE} > quenlix-key.1.gz
  DEPENDS ${QUENLIX_MAN_PAGE} VERBATIM)
add_custom_command(OUTPUT changelog.gz
  COMMAND ${QUENLIX_GZIP} -9 -n -c ${QUENLIX_CHANGELOG} > changelog.gz
  DEPENDS ${QUENLIX_CHANGELOG} VERBATIM)
add_custom_target(quenlix-key-docs ALL
  DEPENDS ${PROJECT_BINARY_DIR}/quenlix-key.1.gz ${PROJECT_BINARY_DIR}/changelog.gz)

install(TARGETS quenlix-key RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/quenlix-key.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES completion/quenlix-key DESTINATION ${QUENLIX_BASH_COMPLETION_DIR})
install(FILES ${QUENLIX_UDEV_RULE} DESTINATION ${QUENLIX_UDEV_RULES_DIR})
install(FILES README.md packaging/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(cmake/QuenlixPackage.cmake)
