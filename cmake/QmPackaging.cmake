# What `cmake --install` puts where, and the Debian packages CPack makes of it (scripts/package):
#   quillmere                   the program, its data folder share/quillmere/, desktop entry, icons,
#                               AppStream metainfo and manual page
#   quillmere-designer-plugins  the Qt Designer plugins of the picture button and of Meterling
#   libmeterling1               the Meterling shared library
#   libmeterling-dev            its headers, the libmeterling.so link and find_package(Meterling) files
# Every package's version is the project's (project(VERSION) in the top CMakeLists.txt).
include(GNUInstallDirs)

set(QM_PACKAGE_MAINTAINER "Quillmere developers <quillmere@example.org>"
    CACHE STRING "The Maintainer of the Debian packages")
set(qm_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(qm_packaging_built ${CMAKE_BINARY_DIR}/packaging)
set(qm_data_install ${CMAKE_INSTALL_DATADIR}/quillmere)
if(QT6_INSTALL_PLUGINS)
  set(qm_designer_install ${QT6_INSTALL_PLUGINS}/designer)
else()
  set(qm_designer_install ${CMAKE_INSTALL_LIBDIR}/qt6/plugins/designer)
endif()

# The program: bin/quillmere reads its data from share/quillmere/ (ProgramFolder), the same shape as
# the program folder of a build.
install(TARGETS quillmere RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT quillmere)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/templates DESTINATION ${qm_data_install} COMPONENT quillmere)
file(GLOB qm_top_data CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*.css ${CMAKE_SOURCE_DIR}/data/*.html)
install(FILES ${qm_top_data} "${QM_PROGRAM_DIR}/Quillmere OnLine Help.qch"
  DESTINATION ${qm_data_install} COMPONENT quillmere)

install(FILES ${qm_packaging}/quillmere.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT quillmere)
install(FILES ${qm_packaging}/quillmere.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT quillmere)
install(FILES ${QM_ICON_SVG}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT quillmere)
foreach(size IN LISTS QM_ICON_SIZES)
  install(FILES ${QM_ICON_DIR}/quillmere-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME quillmere.png COMPONENT quillmere)
endforeach()

# Debian wants manual pages and change logs compressed with gzip -9n (no name, no time stamp).
find_program(QM_GZIP gzip REQUIRED)
configure_file(${qm_packaging}/quillmere.1.in ${qm_packaging_built}/quillmere.1 @ONLY)
set(qm_gzipped ${qm_packaging_built}/quillmere.1.gz)
add_custom_command(OUTPUT ${qm_packaging_built}/quillmere.1.gz
  COMMAND ${QM_GZIP} -9nf -k ${qm_packaging_built}/quillmere.1
  DEPENDS ${qm_packaging_built}/quillmere.1 VERBATIM)
install(FILES ${qm_packaging_built}/quillmere.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT quillmere)

# Every package carries the notice and a change log under share/doc/<package>/.
set(qm_packages quillmere quillmere-designer-plugins libmeterling1 libmeterling-dev)
set(QM_MAINTAINER ${QM_PACKAGE_MAINTAINER})
foreach(QM_PACKAGE IN LISTS qm_packages)
  set(doc ${qm_packaging_built}/doc/${QM_PACKAGE})
  configure_file(${qm_packaging}/changelog.in ${doc}/changelog @ONLY)
  add_custom_command(OUTPUT ${doc}/changelog.gz
    COMMAND ${QM_GZIP} -9nf -k ${doc}/changelog
    DEPENDS ${doc}/changelog VERBATIM)
  list(APPEND qm_gzipped ${doc}/changelog.gz)
  install(FILES ${qm_packaging}/copyright ${doc}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${QM_PACKAGE} COMPONENT ${QM_PACKAGE})
endforeach()
add_custom_target(qm_packaging_files ALL DEPENDS ${qm_gzipped})

# The picture button's Designer plugin beside Meterling's, where Debian's Qt 6 Designer looks.
if(TARGET qm_controls_designer)
  install(TARGETS qm_controls_designer LIBRARY DESTINATION ${qm_designer_install}
    COMPONENT quillmere-designer-plugins)
endif()

# The packages
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillmere developers")
set(CPACK_PACKAGE_CONTACT ${QM_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_SOURCE_DIR}/build/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${qm_packages})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Designer plugin's own library is found in the build, before it is installed anywhere.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/meterling)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_QUILLMERE_PACKAGE_NAME quillmere)
set(CPACK_DEBIAN_QUILLMERE_PACKAGE_SECTION database)
set(CPACK_COMPONENT_QUILLMERE_DESCRIPTION "generate PHP admin pages for a MySQL or MariaDB database
Quillmere is a wizard that turns an existing MySQL or MariaDB database into a
ready-to-deploy folder of PHP scripts: pages that list, search, add, edit and
delete the records of the tables you choose, with validation rules, lookup
columns, an optional login and a stylesheet of your choice. The commands
'quillmere regenerate DIR' and 'quillmere check DIR' work on a generated
folder without a window.")

set(CPACK_DEBIAN_QUILLMERE-DESIGNER-PLUGINS_PACKAGE_NAME quillmere-designer-plugins)
set(CPACK_DEBIAN_QUILLMERE-DESIGNER-PLUGINS_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_QUILLMERE-DESIGNER-PLUGINS_PACKAGE_DEPENDS "libmeterling1 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_QUILLMERE-DESIGNER-PLUGINS_PACKAGE_ENHANCES "qt6-tools-dev-tools")
set(CPACK_COMPONENT_QUILLMERE-DESIGNER-PLUGINS_DESCRIPTION "Qt Designer plugins of Quillmere's picture button and Meterling
Qt Designer widget-box entries for two controls: the picture button of the
Quillmere wizard (a button with a picture and a caption, drawn by the
program) and the Meterling progress bar (a bar with a centred percentage).
Their properties are edited in Designer and saved with the form.")

set(CPACK_DEBIAN_LIBMETERLING1_PACKAGE_NAME libmeterling1)
set(CPACK_DEBIAN_LIBMETERLING1_PACKAGE_SECTION libs)
# The shlibs file lets packages built against the library depend on it; the trigger runs ldconfig.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIBMETERLING1_PACKAGE_CONTROL_EXTRA ${qm_packaging}/libmeterling1/triggers)
set(CPACK_COMPONENT_LIBMETERLING1_DESCRIPTION "Meterling progress-bar control for Qt 6 (shared library)
Meterling is a Qt Widgets progress bar with a centred percentage text,
its own colours and a Designer-friendly set of properties.
This package holds the shared library programs use.")

set(CPACK_DEBIAN_LIBMETERLING-DEV_PACKAGE_NAME libmeterling-dev)
set(CPACK_DEBIAN_LIBMETERLING-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBMETERLING-DEV_PACKAGE_DEPENDS "libmeterling1 (= ${PROJECT_VERSION}), qt6-base-dev")
set(CPACK_COMPONENT_LIBMETERLING-DEV_DESCRIPTION "Meterling progress-bar control for Qt 6 (development files)
Meterling is a Qt Widgets progress bar with a centred percentage text,
its own colours and a Designer-friendly set of properties.
This package holds the headers and the CMake package files: a project
uses find_package(Meterling) and links Meterling::Meterling.")

include(CPack)
