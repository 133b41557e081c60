# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, from any build tree with `cpack -G DEB`; the package
# preset builds it optimised and hardened (`cmake --workflow --preset
# package`). Its files are exactly what `cmake --install` puts under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rovadod)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ROVADOD_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "attribute a Ptolemaic bronze coin with a catalogue")
set(CPACK_PACKAGE_DESCRIPTION "\
Rovadod helps a coin collector attribute an ancient bronze coin of the
Ptolemaic kingdom. Six drop-down lists describe what can be seen on the
coin; the window lists every type of a catalogue file whose attributes
match, with its plate, diameter, weight range, concordance references and
monograms.

Rovadod Explorer finds worn coins in a window: attributes left open, counts
of what each list entry would leave, weight and size, monograms and near
matches, over a catalogue file it reads again whenever it changes.

The desktop menu opens the collector's own catalogue,
~/.local/share/rovadod/ptolemy.csv, when there is one, and an invented
demonstration catalogue otherwise. The commands rovadod-check and
rovadod-find check a catalogue file and search it from the command line;
rovadod-pictures prepares the pictures beside it for a web site.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories 0755 whatever the umask of the one who builds.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# rovadod_<version>_<arch>.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from the binaries (dpkg-shlibdeps). The window asks for its
# faces by name, and without a platform plugin it cannot open at all, which
# Qt only recommends.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# rovadod-pictures reads and writes WebP through Qt's image formats plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-urw-base35, qt6-qpa-plugins, qt6-image-formats-plugins")

include(CPack)
