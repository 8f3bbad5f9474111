# SPDX-License-Identifier: GPL-3.0-or-later
# Run by cpack while it stages the RPM's tree (file(INSTALL) adds DESTDIR): the licence where RPM-based
# systems keep licences, marked %license in the package.
file(INSTALL "${TALUVEX_LICENSE_FILE}"
  DESTINATION "${CPACK_PACKAGING_INSTALL_PREFIX}/share/licenses/taluvex")
