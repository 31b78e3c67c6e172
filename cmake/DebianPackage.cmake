# The Debian package, edamaki_VERSION_ARCH.deb, made by CPack from what the
# install rules install (make package, or cpack -G DEB in the build folder).
# Its dependencies come from the libraries the programs link, through
# dpkg-shlibdeps. Nothing runs at install time: dpkg's triggers of
# shared-mime-info, desktop-file-utils, the icon theme and man-db see the
# files land in their folders and update their caches.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME edamaki)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Edamaki developers")
set(CPACK_PACKAGE_CONTACT "Edamaki developers <edamaki@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "create a whole tree of folders from a short text")
# The long description, as dpkg shows it: lines of at most 72 characters, a
# blank line between paragraphs.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Edamaki creates a whole tree of folders on disk in one go from a short\n"
    "text, its source. A text-mode source lists one folder path per line; a\n"
    "macro-mode source (*.fms) writes one name per line, nests a line under\n"
    "the one above it, and generates names with tags: number series, letter\n"
    "series and lists of names.\n"
    "\n"
    "The desktop program edamaki shows the tree of folders beside the source\n"
    "as it is typed. The command line edamaki-cli creates the folders of a\n"
    "source, compares them with the folders on disk, converts a source\n"
    "between its two modes and writes the folder structure of a folder as a\n"
    "source.")
set(CPACK_PACKAGE_HOMEPAGE_URL https://edamaki.example.org/)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The programs go in without their debugging sections.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows speak Japanese: a font that has the characters, and Qt's own
# Japanese texts for its dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
