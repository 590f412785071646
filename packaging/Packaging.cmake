# Installation (cmake --install) and the Debian package (cpack -G DEB).
include(GNUInstallDirs)
# Installing and packaging take what the build made; they do not build everything first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS kivrun RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian keeps manual pages compressed; the page is compressed when the build is configured.
set(KIV_MAN_SOURCE ${CMAKE_CURRENT_LIST_DIR}/kivrun.1)
set(KIV_MAN_PAGE ${CMAKE_BINARY_DIR}/kivrun.1.gz)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KIV_MAN_SOURCE})
execute_process(COMMAND gzip -9 -n -c ${KIV_MAN_SOURCE} OUTPUT_FILE ${KIV_MAN_PAGE}
                COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${KIV_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(KIV_WITH_WINDOW)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/kivrun.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/kivrun.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(KIV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kivrun)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${KIV_DOC_DIR})
# Kept in docs/ so that the links of README.md lead to them.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs DESTINATION ${KIV_DOC_DIR})
# What a run of the example produces is not part of it.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${KIV_DOC_DIR}/examples
        PATTERN output EXCLUDE)

set(CPACK_PACKAGE_NAME kivrun)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data loader and conversion utility")
set(CPACK_PACKAGE_DESCRIPTION
    "kivrun runs package specifications: INI files that name data connections (folders of CSV and
text files, SQLite files, server databases through ODBC, Excel workbooks, HTML tables, Access
files) and numbered steps (data loads with column mappings and lookups, catalog and
table-structure extracts, record counts, custom SQL, external commands). It runs in its window
or unattended in a terminal and appends a processing report.")
set(CPACK_PACKAGE_CONTACT "Kiv developers <kiv@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The dependencies are the Debian packages of the shared libraries kivrun links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# ODBC drivers for SQL Server and PostgreSQL, and a shell to look into SQLite files.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tdsodbc, odbc-postgresql, sqlite3")
include(CPack)

if(BUILD_TESTING)
    # Builds the Debian package, installs it into an empty folder and runs the example from there.
    add_test(NAME package_install COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-package ${CMAKE_BINARY_DIR})
    set_tests_properties(package_install PROPERTIES TIMEOUT 300 RUN_SERIAL ON)
endif()
