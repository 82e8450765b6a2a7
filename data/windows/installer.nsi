; The per-user installer of Vellora for 64-bit Windows. scripts/package-windows
; makes it with Debian's makensis:
;   makensis -DVERSION=0.1.0 -DSTAGE=DIR -DFILES=files.nsh -DICON=vellora.ico
;            -DOUTFILE=vellora-0.1.0-win64-setup.exe installer.nsi
; STAGE holds what the portable zip holds; FILES (written by the script from
; it) defines the macros InstallFiles and RemoveFiles, one line per file, so
; that the uninstaller removes exactly what was installed.
; No administrator is asked for: the program goes to
; %LOCALAPPDATA%\Programs\Vellora, every key to HKEY_CURRENT_USER. The
; uninstaller leaves the user's settings, thumbnails and library index unless
; asked (its components page, or /PURGE on its command line).
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include "${FILES}"

!define PUBLISHER "The Vellora developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellora"
; Explorer's verb on a folder, and on the background of an open folder
!define FOLDER_VERB "Software\Classes\Directory\shell\Vellora"
!define BACKGROUND_VERB "Software\Classes\Directory\Background\shell\Vellora"
!define MENU_TEXT "Browse albums with Vellora"

Name "Vellora"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Vellora"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Vellora ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Vellora"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "Vellora ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright 2026 ${PUBLISHER}, MIT licence"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\vellora.exe"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_LICENSEPAGE_TEXT_TOP "Vellora is free software under the MIT licence:"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Vellora"
    SectionIn RO
    SetShellVarContext current
    !insertmacro InstallFiles
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; Started from the Start menu, the program's working folder is its own.
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\Vellora.lnk" "$INSTDIR\vellora.exe" "" "$INSTDIR\vellora.exe" 0 \
        SW_SHOWNORMAL "" "Browse your albums as a row of covers"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Vellora"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vellora.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; The folder (or the open folder) is the music folder.
    WriteRegStr HKCU "${FOLDER_VERB}" "" "${MENU_TEXT}"
    WriteRegStr HKCU "${FOLDER_VERB}" "Icon" "$INSTDIR\vellora.exe"
    WriteRegStr HKCU "${FOLDER_VERB}\command" "" '"$INSTDIR\vellora.exe" "%1"'
    WriteRegStr HKCU "${BACKGROUND_VERB}" "" "${MENU_TEXT}"
    WriteRegStr HKCU "${BACKGROUND_VERB}\command" "" '"$INSTDIR\vellora.exe" "%V"'
    WriteRegStr HKCU "${BACKGROUND_VERB}" "Icon" "$INSTDIR\vellora.exe"
SectionEnd

; Removes KEY when it holds nothing: a parent the installer had to make.
!macro RemoveKeyIfEmpty KEY
    DeleteRegKey /ifempty HKCU "${KEY}"
!macroend

Section "un.Vellora"
    SectionIn RO
    SetShellVarContext current
    !insertmacro RemoveFiles
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"  ; only when empty: what the user put there stays
    RMDir "$LOCALAPPDATA\Programs"
    Delete "$SMPROGRAMS\Vellora.lnk"

    DeleteRegKey HKCU "${FOLDER_VERB}"
    DeleteRegKey HKCU "${BACKGROUND_VERB}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    !insertmacro RemoveKeyIfEmpty "Software\Classes\Directory\Background\shell"
    !insertmacro RemoveKeyIfEmpty "Software\Classes\Directory\Background"
    !insertmacro RemoveKeyIfEmpty "Software\Classes\Directory\shell"
    !insertmacro RemoveKeyIfEmpty "Software\Classes\Directory"
    !insertmacro RemoveKeyIfEmpty "Software\Classes"
    !insertmacro RemoveKeyIfEmpty "Software\Microsoft\Windows\CurrentVersion\Uninstall"
SectionEnd

Section /o "un.Your settings, cover thumbnails and library index" UserData
    SetShellVarContext current
    Delete "$APPDATA\vellora\vellora.ini"
    RMDir "$APPDATA\vellora"
    RMDir /r "$LOCALAPPDATA\vellora"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${UserData} \
        "%APPDATA%\vellora\vellora.ini and %LOCALAPPDATA%\vellora. Left alone, a later install finds them again."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
    ${GetOptions} $CMDLINE "/PURGE" $0
    ${IfNot} ${Errors}
        SectionSetFlags ${UserData} ${SF_SELECTED}
    ${EndIf}
FunctionEnd
