# The Windows installer: `cpack` in the build folder makes it with NSIS (Debian:
# nsis). A 64-bit Unicode installer, into Program Files: the window, the batch
# runner, the worked example and an uninstaller; a Start menu entry under the
# window's Russian title, which asks for the folder to work in, as the Linux
# menu entry does.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/worked-example DESTINATION examples)

set(title "Моделирование работы препроцессора")
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Preprocessor Simulator")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Preprocessor Simulator")
set(CPACK_NSIS_PACKAGE_NAME "${title}")
set(CPACK_NSIS_DISPLAY_NAME "${title}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# Before anything is compressed: Unicode strings (the Russian names) and the
# 64-bit stub, which sees the 64-bit Program Files and registry.
set(CPACK_NSIS_DEFINES "Unicode true\nTarget amd64-unicode")
set(CPACK_NSIS_MUI_ICON ${PROJECT_BINARY_DIR}/src/win32/preprocessor-sim.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_BINARY_DIR}/src/win32/preprocessor-sim.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\preprocessor-sim.exe")
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\${title}.lnk' '$INSTDIR\\\\bin\\\\preprocessor-sim.exe' '--choose-folder'")
# The installer keeps its folder in the registry under the vendor's key, which
# the uninstaller leaves behind empty: removed here, where the uninstaller has
# removed what was in it.
set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\\\$MUI_TEMP\\\\${title}.lnk'
DeleteRegKey /ifempty SHCTX 'Software\\\\${CPACK_PACKAGE_VENDOR}'")
include(CPack)
