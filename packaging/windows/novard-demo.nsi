; The Windows installer: the staged folder of the portable zip, installed for all users with
; Start-menu entries and an uninstaller that removes exactly what was installed.
; scripts/windows/package.sh runs makensis with -INPUTCHARSET UTF8 and defines VERSION (x.y.z),
; SIZE_KB, OUTFILE and FILES (the generated lists install.nsh and uninstall.nsh).
Unicode true
Target amd64-unicode
; No file times in the installer, so two builds of one commit are the same to the byte.
SetDateSave off
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\NOVARD Read-Write Demo"
!define MENU_FOLDER "NOVARD"
; Both languages' names, so that the uninstaller removes the entries whatever language it runs in.
!define MAIN_KO "NOVARD 카드 읽기·쓰기 데모"
!define MAIN_EN "NOVARD Read-Write Demo"
!define DEMO_KO "시뮬레이션 리더로 데모 실행"
!define DEMO_EN "Run the demo with the simulated reader"

Name "NOVARD Read/Write Demo"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\NOVARD Read-Write Demo"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "NOVARD Read/Write Demo"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "NOVARD Read/Write Demo setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "The NOVARD Read/Write demo maintainers"

!include MUI2.nsh
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first language is the one for a Windows in neither language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Korean"

; The entries are named in the language of the Windows they are installed on, as the Linux menu
; entry is.
LangString menu_main ${LANG_ENGLISH} "${MAIN_EN}"
LangString menu_main ${LANG_KOREAN} "${MAIN_KO}"
LangString menu_demo ${LANG_ENGLISH} "${DEMO_EN}"
LangString menu_demo ${LANG_KOREAN} "${DEMO_KO}"

Function .onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Section "Install"
    !include "${FILES}\install.nsh"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    SetOutPath "$INSTDIR"
    CreateDirectory "$SMPROGRAMS\${MENU_FOLDER}"
    CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\$(menu_main).lnk" "$INSTDIR\novard-demo.exe"
    CreateShortcut "$SMPROGRAMS\${MENU_FOLDER}\$(menu_demo).lnk" "$INSTDIR\novard-demo.exe" \
        "--demo"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "NOVARD Read/Write Demo"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The NOVARD Read/Write demo maintainers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\novard-demo.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

; Only what the installer wrote, file by file: anything else a user put in the folder stays, and
; so does the folder then.
Section "Uninstall"
    Delete "$SMPROGRAMS\${MENU_FOLDER}\${MAIN_KO}.lnk"
    Delete "$SMPROGRAMS\${MENU_FOLDER}\${MAIN_EN}.lnk"
    Delete "$SMPROGRAMS\${MENU_FOLDER}\${DEMO_KO}.lnk"
    Delete "$SMPROGRAMS\${MENU_FOLDER}\${DEMO_EN}.lnk"
    RMDir "$SMPROGRAMS\${MENU_FOLDER}"

    !include "${FILES}\uninstall.nsh"
    Delete "$INSTDIR\uninstall.exe"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    SetOutPath "$TEMP"
    RMDir "$INSTDIR"
SectionEnd
