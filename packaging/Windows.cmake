# What the cross build installs and what `cpack -G NSIS` and `cpack -G ZIP` pack from it
# (brivo-VERSION-win64.exe and brivo-VERSION-win64.zip): the four programs in bin/. The installer
# also gives the adjuster a Start-menu entry (with the program's own icon) and registers its
# uninstaller where Windows lists installed programs; both run silently with /S.
install(TARGETS brivo gamma-probe skin-render themepack RUNTIME DESTINATION bin COMPONENT Runtime)
install(FILES debian/copyright DESTINATION . RENAME copyright.txt COMPONENT Runtime)

set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_PACKAGE_NAME brivo)
set(CPACK_PACKAGE_VENDOR "Brivo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen brightness, contrast and gamma adjuster")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Brivo)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Brivo)
set(CPACK_PACKAGE_EXECUTABLES brivo "Brivo Screen Adjuster")

# The programs are 64-bit, so is the installer: it writes the 64-bit registry and Program Files.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME "Brivo Screen Adjuster")
set(CPACK_NSIS_DISPLAY_NAME "Brivo Screen Adjuster")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/icons/MAINICON.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/icons/MAINICON.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME bin\\\\brivo.exe)
set(CPACK_NSIS_URL_INFO_ABOUT ${BRIVO_HOMEPAGE_URL})
# An older version is removed first, without asking when the install is silent.
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
include(CPack)
