# The Debian package, built by CPack (scripts/package.sh): one package for the
# whole suite, its dependencies found from the programs themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane-suite)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_CONTACT "Orvane <equipo@orvane.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${PROJECT_HOMEPAGE_URL})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/COPYING)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make and watch ASCII-art movies / películas de arte ASCII")
# The summary above is the synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Four desktop programs and a command-line tool for movies drawn in text
characters (.ovt): OrvPlayer plays them, OrvCreator makes them from
pictures or video clips, OrvConverter from text files holding ASCII
pictures, OrvCompactor compresses them; orv does all of it from the
terminal and exports movies as GIF, web page, asciicast, MP4 or WebM.
.
Cuatro programas de escritorio y una herramienta de línea de órdenes
para películas dibujadas con caracteres (.ovt): OrvPlayer las
reproduce, OrvCreator las crea a partir de imágenes o videos,
OrvConverter a partir de archivos de texto con imágenes ASCII,
OrvCompactor las comprime; orv lo hace todo desde el terminal y
exporta las películas como GIF, página web, asciicast, MP4 o WebM.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The monospaced face the text area asks for, and the fonts libwmf draws with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-urw-base35")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, qt6-translations-l10n")
# Directories owned by the system stay with their usual permissions.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
