# Run by `cmake --install`. The desktop file's working directory is the
# installed demo catalogue's folder, which is known only now: the prefix may
# be given with --prefix at install time.
if(IS_ABSOLUTE "${rovadod_datadir}")
    set(datadir "${rovadod_datadir}")
else()
    set(datadir "${CMAKE_INSTALL_PREFIX}/${rovadod_datadir}")
endif()
set(ROVADOD_DEMO_DIR "${datadir}/rovadod")
set(ROVADOD_ID "${rovadod_id}")
configure_file("${rovadod_desktop_in}" "${rovadod_desktop_out}" @ONLY)
# file(INSTALL) adds DESTDIR and records the file in the install manifest.
file(INSTALL DESTINATION "${datadir}/applications" TYPE FILE FILES "${rovadod_desktop_out}")
