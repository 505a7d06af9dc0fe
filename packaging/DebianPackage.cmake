# DebianPackage: the Debian package of Tallowin, made with CPack from a built tree:
#   cmake --build build/release && cpack --config build/release/CPackConfig.cmake -B build/release/package
# It holds the program with its help page and recordings in /usr/lib/tallowin (/usr/bin/tallowin a link to it),
# tallowin-sound and tallowin-audio, the menu entry, the icon (SVG, 48 and 256 px) in the hicolor theme, the
# AppStream metainfo, the man pages, the copyright and the changelog, and the udev rule that lets the logged-in user
# read known foot switches and dictation microphones. Library dependencies come from
# dpkg-shlibdeps. Packing does not build: it takes what the last build made.
set(TALLOWIN_MAINTAINER "Orrindale <tallowin@orrindale.invalid>")
set(TALLOWIN_RELEASE_DATE "2026-12-07")
set(TALLOWIN_RELEASE_TIME "Mon, 07 Dec 2026 00:00:00 +0000")
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(packaging_source ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_binary ${PROJECT_BINARY_DIR}/packaging)
set(program_folder lib/tallowin)

install(TARGETS tallowin RUNTIME DESTINATION ${program_folder})
install(FILES ${PROJECT_BINARY_DIR}/app/tallowin.html ${PROJECT_BINARY_DIR}/app/Intro1.wav
              ${PROJECT_BINARY_DIR}/app/Intro2.wav ${PROJECT_BINARY_DIR}/app/Intro3.wav
              ${PROJECT_BINARY_DIR}/app/Intro4.wav ${PROJECT_BINARY_DIR}/app/Intro5.wav
        DESTINATION ${program_folder})
file(MAKE_DIRECTORY ${packaging_binary})
file(CREATE_LINK ../${program_folder}/tallowin ${packaging_binary}/tallowin SYMBOLIC)
install(FILES ${packaging_binary}/tallowin DESTINATION bin)
install(TARGETS tallowin-sound tallowin-audio RUNTIME DESTINATION bin)

install(FILES ${packaging_source}/org.orrindale.tallowin.desktop DESTINATION share/applications)
configure_file(${packaging_source}/org.orrindale.tallowin.metainfo.xml
               ${packaging_binary}/org.orrindale.tallowin.metainfo.xml @ONLY)
install(FILES ${packaging_binary}/org.orrindale.tallowin.metainfo.xml DESTINATION share/metainfo)
install(FILES ${packaging_source}/icons/tallowin.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${packaging_source}/70-tallowin-dictation-controls.rules DESTINATION lib/udev/rules.d)
foreach(size 48 256)
    install(FILES ${PROJECT_BINARY_DIR}/install/ui/tallowin-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME tallowin.png)
endforeach()

# Man pages and the changelog, compressed as Debian wants them (gzip -9n: no name or time inside).
set(packaging_compressed)
foreach(page tallowin tallowin-sound tallowin-audio)
    configure_file(${packaging_source}/man/${page}.1 ${packaging_binary}/${page}.1 @ONLY)
    list(APPEND packaging_compressed ${page}.1)
endforeach()
configure_file(${packaging_source}/changelog.in ${packaging_binary}/changelog @ONLY)
list(APPEND packaging_compressed changelog)
set(packaging_outputs)
foreach(file ${packaging_compressed})
    add_custom_command(OUTPUT ${packaging_binary}/${file}.gz
        COMMAND gzip -9n -c ${file} > ${file}.gz
        DEPENDS ${packaging_binary}/${file}
        WORKING_DIRECTORY ${packaging_binary}
        COMMENT "Compressing ${file} for the Debian package")
    list(APPEND packaging_outputs ${packaging_binary}/${file}.gz)
endforeach()
add_custom_target(tallowin_package_files ALL DEPENDS ${packaging_outputs})
install(FILES ${packaging_binary}/tallowin.1.gz ${packaging_binary}/tallowin-sound.1.gz
              ${packaging_binary}/tallowin-audio.1.gz DESTINATION share/man/man1)
install(FILES ${packaging_source}/copyright ${packaging_binary}/changelog.gz DESTINATION share/doc/tallowin)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallowin)
set(CPACK_PACKAGE_VENDOR Orrindale)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TALLOWIN_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its window-system plugins at run time, which dpkg-shlibdeps cannot see; the help page opens in the
# user's browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "computer dictaphone that sends dictations to a typist
Tallowin records dictations from the sound card with voice activation,
edits them with tape-recorder controls (record over, insert, play, audible
rewind and fast forward), and sends them in the background to a typist by
e-mail, folder copy or FTP, converted to a compact audio format and packed
with the notes and the user's contact details. Status files from the typist
show how far the work has got.
.
tallowin-sound converts and inspects wave files with the same sound library;
tallowin-audio lists the sound devices and records and plays from the command
line.")
include(CPack)
