# The packages a user installs, made by CPack in a build folder:
#   linux build:  cpack -G DEB   tivrel_<version>_<arch>.deb
#   win32 build:  cpack -G ZIP   Tivrel-<version>-win32.zip
# scripts/check-packages.sh builds and inspects both.

set(TIVREL_PACKAGING ${PROJECT_SOURCE_DIR}/resources/packaging)

set(CPACK_PACKAGE_NAME tivrel)
set(CPACK_PACKAGE_VENDOR "林晓岚")
set(CPACK_PACKAGE_CONTACT "林晓岚 <lanling@example.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sound-card tester with a Simplified Chinese interface")
# Debian shows these lines as they are: keep them under 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "岚铃声卡测试仪 (Tivrel) asks the first audio output device for its product"
  "name and ids, its driver version and output channels, the PCM formats it"
  "supports and its extended output functions, and shows them as a report"
  "that can be copied to the clipboard. The interface is in Simplified Chinese."
  "tivrel-report prints the same report on a terminal; tivrel-channels plays"
  "each channel of a device in turn, named as the device maps it; tivrel-loopback"
  "measures an output wired back to an input (latency, frequency response,"
  "noise, dynamic range, distortion and crosstalk).")
# Packages carry no symbols; the build folder keeps them for debugging.
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  # The zip holds the programs and the read-me and nothing else, whatever
  # else the build installs: they form a component of their own, and only it
  # is packed. tivrel-loopback.exe where kissfft was found for the toolchain.
  install(TARGETS Tivrel tivrel-report tivrel-channels RUNTIME DESTINATION . COMPONENT winzip)
  if(TARGET tivrel-loopback)
    install(TARGETS tivrel-loopback RUNTIME DESTINATION . COMPONENT winzip)
  endif()
  install(FILES ${TIVREL_PACKAGING}/README.txt DESTINATION . COMPONENT winzip)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};winzip;/")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME win32)
  else()
    set(CPACK_SYSTEM_NAME win64)
  endif()
  set(CPACK_PACKAGE_FILE_NAME Tivrel-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
else()
  include(GNUInstallDirs)
  set(tivrel_doc ${CMAKE_INSTALL_DATADIR}/doc/tivrel)
  if(TARGET tivrel-report)
    install(TARGETS tivrel-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  if(TARGET tivrel-channels)
    install(TARGETS tivrel-channels RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  if(TARGET tivrel-loopback)
    install(TARGETS tivrel-loopback RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/docs/tivrel-loopback.schema.json DESTINATION ${tivrel_doc})
  endif()
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES ${TIVREL_PACKAGING}/com.example.tivrel.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${TIVREL_PACKAGING}/copyright DESTINATION ${tivrel_doc})
  # The layout of tivrel-report --json, which its manual page names.
  install(FILES ${PROJECT_SOURCE_DIR}/docs/tivrel-report.schema.json DESTINATION ${tivrel_doc})
  # Debian wants the changelog compressed, without a name or time stamp in it
  # so that the package is the same from build to build. Made when the build
  # is configured (again whenever the changelog changes), so that installing
  # needs no build target of its own.
  find_program(GZIP_PROGRAM gzip REQUIRED)
  set(tivrel_changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TIVREL_PACKAGING}/changelog)
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
  execute_process(
    COMMAND ${GZIP_PROGRAM} -9nc ${TIVREL_PACKAGING}/changelog
    OUTPUT_FILE ${tivrel_changelog_gz}
    COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${tivrel_changelog_gz} DESTINATION ${tivrel_doc})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.com/tivrel)
  # Every text is Chinese: without a CJK face the window shows empty boxes.
  # Noto first, the faces the windows are drawn and checked with.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
  # The sound server is asked through libpulse, loaded when first needed: a
  # desktop has it, and without it device 0 follows ALSA's rules alone.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libpulse0")
  # The libraries the programs link, added to the above.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Manual pages compressed, programs without compiler notes.
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackagingStaged.cmake)
  # The same package from every build of a commit: files and archive members
  # dated by the commit (SOURCE_DATE_EPOCH, unless the caller sets it).
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackagingDate.cmake)
  set(CPACK_TIVREL_SOURCE_DIR ${PROJECT_SOURCE_DIR})
  set(CPACK_TIVREL_STRIP ${CMAKE_STRIP})
endif()

include(CPack)
