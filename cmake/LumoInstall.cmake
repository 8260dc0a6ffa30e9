# Where `cmake --install` puts Lumo, and the Debian package made from that
# tree by `cpack -G DEB` (scripts/package).
include(GNUInstallDirs)

set(LUMO_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/lumo)
set(LUMO_LIBEXEC_DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/lumo)
# The PNG icons in data/icons are rendered from lumo.svg by the lumo-icons
# target, which writes them into the source tree to be committed: building
# needs no SVG renderer.
set(LUMO_ICON_SIZES 16 24 32 48 64 128 256)

install(TARGETS lumo lumo-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Qt's project setup points installed programs at a lib/ folder beside bin/;
# Lumo installs no libraries, and the system's Qt needs no search path.
set_target_properties(lumo lumo-render PROPERTIES INSTALL_RPATH "")
install(FILES data/lore_ipsum.txt data/Dokumentation.txt DESTINATION ${LUMO_DATA_DESTINATION})
install(PROGRAMS scripts/lumo-start DESTINATION ${LUMO_LIBEXEC_DESTINATION})

install(FILES data/icons/lumo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS LUMO_ICON_SIZES)
  install(FILES data/icons/lumo-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME lumo.png)
endforeach()

find_program(LUMO_RSVG_CONVERT rsvg-convert)
if(LUMO_RSVG_CONVERT)
  set(render_commands)
  foreach(size IN LISTS LUMO_ICON_SIZES)
    list(APPEND render_commands COMMAND ${LUMO_RSVG_CONVERT} -w ${size} -h ${size}
      -o ${PROJECT_SOURCE_DIR}/data/icons/lumo-${size}.png ${PROJECT_SOURCE_DIR}/data/icons/lumo.svg)
  endforeach()
  add_custom_target(lumo-icons ${render_commands}
    COMMENT "Rendering data/icons/lumo-SIZE.png from lumo.svg" VERBATIM)
endif()

install(FILES data/lumo-render.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME lumo-render)

# The manual pages carry the project's version; they are installed
# compressed, as man finds them on Debian.
set(manual_pages)
foreach(page lumo.1 lumo-render.1)
  configure_file(docs/${page} man/${page} @ONLY)
  add_custom_command(OUTPUT man/${page}.gz
    COMMAND gzip -9 --no-name --force --keep man/${page}
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/man/${page} VERBATIM)
  list(APPEND manual_pages ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(lumo-manual-pages ALL DEPENDS ${manual_pages})
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The menu entry runs the launcher with the data folder and the program by
# their full paths on the system the tree is installed for. Those are known
# only when installing (`cmake --install --prefix`, the package's /usr), so
# the entry is written then.
function(lumo_installed_path variable relative)
  if(IS_ABSOLUTE "${relative}")
    set(${variable} "${relative}" PARENT_SCOPE)
  else()
    set(${variable} "\${CMAKE_INSTALL_PREFIX}/${relative}" PARENT_SCOPE)
  endif()
endfunction()
lumo_installed_path(launcher_path ${LUMO_LIBEXEC_DESTINATION}/lumo-start)
lumo_installed_path(data_path ${LUMO_DATA_DESTINATION})
lumo_installed_path(program_path ${CMAKE_INSTALL_BINDIR}/lumo)
lumo_installed_path(entry_path ${CMAKE_INSTALL_DATADIR}/applications/lumo.desktop)
install(CODE "
  set(LUMO_START \"${launcher_path}\")
  set(LUMO_DATA_DIR \"${data_path}\")
  set(LUMO_PROGRAM \"${program_path}\")
  set(entry \"\$ENV{DESTDIR}${entry_path}\")
  message(STATUS \"Installing: \${entry}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/data/lumo.desktop.in\" \"\${entry}\" @ONLY)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${entry}\")
")

# The package: the tree above under /usr, its version the project's,
# dependencies from dpkg-shlibdeps, plus what no library link shows: the
# metric-compatible "Arial" the default setup draws with.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumo)
set(CPACK_PACKAGE_CONTACT "Lumo maintainers <maintainers@lumo.example>" CACHE STRING
  "Maintainer field of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns text into pictures that look hand-set and speckled")
set(CPACK_PACKAGE_DESCRIPTION [=[Lumo draws a text character by character into pictures: pages of equal
size or one picture that grows downward, in a chosen font and colours,
with every character jittered sideways and up or down and the pictures
speckled with pixel noise. The pictures are saved as JPEG, BMP or PNG
files or copied to the clipboard.

The package holds the desktop program lumo, with its editor, picture,
settings and settings-manager windows, and lumo-render, which renders
and saves the same pictures from the command line without a display.]=])
# Installed with DESTDIR and the prefix /usr, not into a staging prefix,
# so that the menu entry names the paths the package's files will have.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
# Fonts for the scripts beyond the 8-bit code pages (UTF-8 text).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-core, fonts-wqy-microhei")
set(CPACK_STRIP_FILES ON)
include(CPack)

# Builds what the package holds, and only that, and packs it into
# package/ of the build folder (scripts/package). CMake's own `package`
# target would build every test and benchmark first.
add_custom_target(lumo-package
  COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
    -B ${PROJECT_BINARY_DIR}/package
  USES_TERMINAL VERBATIM)
add_dependencies(lumo-package lumo lumo-render lumo-manual-pages)
