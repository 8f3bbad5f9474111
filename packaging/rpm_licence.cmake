# SPDX-License-Identifier: GPL-3.0-or-later
# Run by cpack on the RPM's staged tree before it packs it (file(INSTALL)
# adds DESTDIR, the staging folder): the licence where RPM-based systems keep
# licences, marked %license in the package, in place of Debian's copyright
# file, which points to Debian's licence folder.
file(INSTALL "${TALUVEX_LICENSE_FILE}"
  DESTINATION "${CPACK_PACKAGING_INSTALL_PREFIX}/share/licenses/taluvex")
file(REMOVE "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/taluvex/copyright")
