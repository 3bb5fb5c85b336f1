# The Debian package, built by `make package` (CPack) from the install rules.

# Installing and packaging never build: `make install` and `make package`
# build first, and the package test must not relink the programs that the
# other tests are running at the same time.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cvcc)
set(CPACK_PACKAGE_VENDOR "Tarmelin")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console client of the Corvane backup network")
set(CPACK_PACKAGE_DESCRIPTION
    "cvcc drives the Corvane backup server of this computer from the command line:\n\
it finds the server through the Coordinator (a CORBA naming service) on\n\
localhost and executes, stops, deletes, lists or waits for its tasks, prints\n\
their logs, checks them as a monitoring plugin, shuts the server down, sets\n\
its proxy, or sweeps dead workstation bindings from the Coordinator. Its\n\
--Json key gives one JSON document for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The installed program carries no debug information; it stays in the build.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "cvcc maintainers <cvcc-maintainers@tarmelin.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
# dpkg-shlibdeps derives the runtime libraries' packages (omniORB, ACE,
# Boost, the C++ runtime) from what the program really links, with the
# versions the build saw, so the list cannot drift from the link line.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A Coordinator and its command-line tool are what the program talks to and
# what its manual page refers to.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "omniorb-nameserver, omniorb")

include(CPack)
