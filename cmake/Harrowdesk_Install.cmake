# Where `cmake --install` (and `make install`, and the Debian package) puts each part,
# by the GNU directory conventions under the prefix:
#   bin/                                   harrowdesk, harrowdesk-cli
#   share/harrowdesk/                      the installation data: "DICOM Tables", "Icons",
#                                          the CSV report templates; the programs find it
#                                          at <their folder>/../share/harrowdesk/
#   share/applications/, share/metainfo/   the desktop entry and its AppStream description
#   share/icons/hicolor/NxN/apps/          the application icon
#   share/man/man1/                        harrowdesk(1), harrowdesk-cli(1), compressed
#   share/doc/harrowdesk/                  copyright, changelog, third-party licences
include(GNUInstallDirs)

set(HARROWDESK_DATA_DIR ${CMAKE_INSTALL_DATADIR}/harrowdesk)
set(HARROWDESK_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/harrowdesk)
# The sizes scripts/make_icons.py draws the application icon at.
set(HARROWDESK_ICON_SIZES 48 64 128 256)
# Folders a package creates are rwxr-xr-x whatever the packer's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS harrowdesk harrowdesk-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(DIRECTORY "${PROJECT_SOURCE_DIR}/data/DICOM Tables" "${PROJECT_SOURCE_DIR}/data/Icons"
        DESTINATION ${HARROWDESK_DATA_DIR})
file(GLOB report_templates CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/CSV_Template_*.txt)
install(FILES ${report_templates} DESTINATION ${HARROWDESK_DATA_DIR})

install(FILES ${PROJECT_SOURCE_DIR}/data/harrowdesk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/org.ardentvale.Harrowdesk.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${HARROWDESK_ICON_SIZES})
  install(FILES ${PROJECT_SOURCE_DIR}/data/hicolor/${size}x${size}/apps/harrowdesk.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# harrowdesk_gzip(SOURCE OUTPUT): OUTPUT is SOURCE compressed as Debian wants it (gzip's
# best level, no name or time stamp inside, so the same source gives the same bytes).
function(harrowdesk_gzip source output)
  get_filename_component(stem ${output} NAME_WLE)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${folder}/${stem}
    COMMAND gzip -9nf ${folder}/${stem}
    DEPENDS ${source}
    VERBATIM)
endfunction()

# The manual pages are kept as roff in man/.
set(packaging_dir ${PROJECT_BINARY_DIR}/packaging)
set(packaging_outputs)
foreach(page harrowdesk.1 harrowdesk-cli.1)
  harrowdesk_gzip(${PROJECT_SOURCE_DIR}/man/${page} ${packaging_dir}/man/${page}.gz)
  list(APPEND packaging_outputs ${packaging_dir}/man/${page}.gz)
  install(FILES ${packaging_dir}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# The copyright file in Debian's machine-readable form, its licence text taken from
# LICENSE (each line indented, blank lines as " ."), and the changelog of this version.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence_text)
string(STRIP "${licence_text}" licence_text)
string(REPLACE "\n" "\n " licence_text " ${licence_text}")
string(REPLACE "\n \n" "\n .\n" licence_text "${licence_text}")
string(REPLACE "\n \n" "\n .\n" licence_text "${licence_text}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${packaging_dir}/doc/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${packaging_dir}/changelog @ONLY)
harrowdesk_gzip(${packaging_dir}/changelog ${packaging_dir}/doc/changelog.gz)
list(APPEND packaging_outputs ${packaging_dir}/doc/changelog.gz)
install(FILES ${packaging_dir}/doc/copyright ${packaging_dir}/doc/changelog.gz ${PROJECT_SOURCE_DIR}/THIRD-PARTY.md
        DESTINATION ${HARROWDESK_DOC_DIR})

add_custom_target(harrowdesk_packaging_files ALL DEPENDS ${packaging_outputs})
