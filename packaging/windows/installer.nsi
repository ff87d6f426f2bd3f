; The Windows installer: the window and the batch program in the 64-bit Program Files, a Start
; menu entry, and an uninstaller that Add/Remove Programs lists. The modem library for programs
; (the DLL, its header and import library, and the Python package's wheel, under the LGPL)
; is a component of its own that the user may leave out. Built by scripts/package-windows,
; which passes VERSION (the CMake project version), BUILD_DIR (the release build), SOURCE_DIR
; and OUT_FILE as absolute paths.

; A 64-bit stub: the default 32-bit one does nothing at all on a Windows without 32-bit support.
Target amd64-unicode

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "I2C-Terminal"
!define PUBLISHER "i2c-terminal"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\i2c-terminal"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\i2c-terminal"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define MUI_ABORTWARNING
!define MUI_ICON "${SOURCE_DIR}/resources/i2c-terminal.ico"
!define MUI_UNICON "${SOURCE_DIR}/resources/i2c-terminal.ico"
!insertmacro MUI_PAGE_LICENSE "${SOURCE_DIR}/LICENSE"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

; The Start menu entry is for every user of the machine, like the program itself.
Function .onInit
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetShellVarContext all
FunctionEnd

Section "I2C-Terminal" SecPrograms
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${BUILD_DIR}/src/i2c-terminal.exe"
    File "${BUILD_DIR}/src/batch/i2c-batch.exe"
    File "/oname=LICENSE.txt" "${SOURCE_DIR}/LICENSE"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\i2c-terminal.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\i2c-terminal.exe$\",0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The Python package as a wheel with the DLL inside, for pip into any environment. Earlier
; versions put the package itself here, for PYTHONPATH; an update takes it away.
Section "Programmierschnittstelle (C und Python)" SecLibrary
    SetOutPath "$INSTDIR\sdk"
    File "${BUILD_DIR}/src/lib/libi2cmodem-1.dll"
    File "${BUILD_DIR}/src/lib/libi2cmodem.dll.a"
    File "${SOURCE_DIR}/src/lib/include/i2cmodem.h"
    File "/oname=LICENSE.LGPL-2.1.txt" "${SOURCE_DIR}/LICENSE.LGPL-2.1"
    File "${BUILD_DIR}/wheels/i2cmodem-${VERSION}-py3-none-win_amd64.whl"
    RMDir /r "$INSTDIR\sdk\i2cmodem"
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPrograms} "Das Terminal und das Stapelprogramm i2c-batch."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecLibrary} "Die Bibliothek libi2cmodem zum Programmieren des Modems: DLL, Header und Importbibliothek, dazu das Python-Paket i2cmodem als Wheel (pip install)."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "$INSTDIR\i2c-terminal.exe"
    Delete "$INSTDIR\i2c-batch.exe"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$INSTDIR\sdk\i2cmodem-${VERSION}-py3-none-win_amd64.whl"
    Delete "$INSTDIR\sdk\libi2cmodem-1.dll"
    Delete "$INSTDIR\sdk\libi2cmodem.dll.a"
    Delete "$INSTDIR\sdk\i2cmodem.h"
    Delete "$INSTDIR\sdk\LICENSE.LGPL-2.1.txt"
    RMDir "$INSTDIR\sdk"
    RMDir "$INSTDIR"
SectionEnd
