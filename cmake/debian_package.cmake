# The Debian package of the native products, from the same install rules as
# cmake --install: the filter with its manual page, the GStreamer element and
# the mpv plug-in with its shaders.
# ./run.sh dist makes it (cpack -G DEB, in <tree>/package) and puts it beside
# the Windows zip.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME xvf-aspect)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "XVF_Aspect developers <xvf-aspect@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video aspect-ratio filter: fit-width, fit-height, panorama, anamorphic")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "The XVF_Aspect frame pass on Linux: xvf-aspect, a command-line filter for\n YUV4MPEG2 and raw video pipelines, xvfaspect, a GStreamer element, and\n xvfaspect.so, an mpv plug-in (mpv --script=/usr/lib/<multiarch>/xvfaspect/\n xvfaspect.so). Each frame is changed so that, stretched over a video window\n of a given size, the picture shows with the proportions of the chosen mode,\n the uncovered parts black.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The mpv plug-in needs mpv 0.35 (README); dpkg-shlibdeps alone asks only for
# the oldest libmpv2 with the functions it calls, and adds that weaker line.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmpv2 (>= 0.35.0)")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
# The licence where Debian keeps it.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/xvf-aspect RENAME copyright)
include(CPack)
