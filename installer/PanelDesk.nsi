; The PanelDesk installer, one script for both Windows builds (UTF-8). It installs PanelDesk.exe,
; its help and mf40ctl.exe under Program Files, a Start menu shortcut and an uninstaller, and
; nothing else:
; the maker's libraries come with the maker's driver software and are found on the system's
; search path, so nothing installed here may stand in for them.
;
; The build passes what differs between builds and releases (makensis -DNAME=VALUE):
;   VERSION          the version as people see it, e.g. 1.05
;   VERSION_NUMBERS  the same as four numbers for the installer's version block, e.g. 1.5.0.0
;   ARCH             x64 or x86: the build whose programs are installed
;   PUBLISHER        the maker's name
;   PRODUCT          the product's name: the Start menu shortcut and the Add/Remove entry
;   PANELDESK_EXE    the built PanelDesk.exe (the wide program, for Windows NT)
;   PANELDESK_9X_EXE the ANSI PanelDesk.exe, installed under the same name on Windows 95, 98 and
;                    ME instead (when given; mf40ctl.exe, an NT program, is then left off there)
;   MF40CTL_EXE      the built mf40ctl.exe (left out of the installer when not given)
;   HELP_FILE        the help file PanelDesk.HLP, and
;   HTML_HELP        the same help as the page PanelDesk.htm, for Windows without a WinHelp
;                    viewer; both go beside PanelDesk.exe in either character mode
;   ICON             the program's icon, for the installer and the uninstaller
;   OUTFILE          the installer to write

!if "${ARCH}" == "x64"
    ; The 64-bit installer is a 64-bit program itself: it starts only where the 64-bit build
    ; can run, and it sees the 64-bit Program Files and registry as they are.
    Target amd64-unicode
    !define PROGRAM_FILES "$PROGRAMFILES64"
    !define REGISTRY_VIEW 64
!else if "${ARCH}" == "x86"
    ; The 32-bit build, the one that loads the maker's 32-bit libraries. On 64-bit Windows it
    ; belongs to the 32-bit Program Files and the 32-bit view of the registry, the view a 32-bit
    ; installer has anyway; it asks for none, since Windows 95, 98, ME, NT 4.0 and 2000 know no
    ; registry views. The installer is an ANSI program: a Unicode one would meet the wide
    ; functions that Windows 95, 98 and ME leave as stubs. Its texts are then in the Finnish
    ; installer's code page, Windows-1252.
    Target x86-ansi
    !define PROGRAM_FILES "$PROGRAMFILES32"
!else
    !error "ARCH must be x64 or x86"
!endif
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PanelDesk"
!define UNINSTALLER "uninstall.exe"
!define DEFAULT_FOLDER "${PROGRAM_FILES}\${PUBLISHER}\PanelDesk"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${DEFAULT_FOLDER}"
; A second installation goes where the first one is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${PUBLISHER} ${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The program speaks Finnish, and so do its installer and uninstaller.
!insertmacro MUI_LANGUAGE "Finnish"

VIProductVersion "${VERSION_NUMBERS}"
VIFileVersion "${VERSION_NUMBERS}"
VIAddVersionKey /LANG=${LANG_FINNISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_FINNISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_FINNISH} "FileDescription" "${PRODUCT} ${VERSION} (${ARCH})"
VIAddVersionKey /LANG=${LANG_FINNISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_FINNISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_FINNISH} "LegalCopyright" "Copyright © 2003-2005 ${PUBLISHER}"

Function .onInit
!ifdef REGISTRY_VIEW
    SetRegView ${REGISTRY_VIEW}
!endif
    SetShellVarContext all
FunctionEnd

!macro NT_PROGRAMS
    File "/oname=PanelDesk.exe" "${PANELDESK_EXE}"
!ifdef MF40CTL_EXE
    File "/oname=mf40ctl.exe" "${MF40CTL_EXE}"
!endif
!macroend

Section "PanelDesk"
    SetOutPath "$INSTDIR"
!ifdef PANELDESK_9X_EXE
    ; Windows 95, 98 and ME get the ANSI program under the same name, and no mf40ctl. The
    ; system is judged as the programs will see it: the version it reports to a program (the
    ; top bit of GetVersion marks 95, 98 and ME), which the panel's own route choice reads
    ; too. NSIS's IsNT looks past what a compatibility mode reports, and the panel does not.
    System::Call "kernel32::GetVersion() i .r0"
    IntOp $0 $0 & 0x80000000
    ${If} $0 = 0
        !insertmacro NT_PROGRAMS
    ${Else}
        File "/oname=PanelDesk.exe" "${PANELDESK_9X_EXE}"
    ${EndIf}
!else
    !insertmacro NT_PROGRAMS
!endif
    ; The panel opens the help by its own name with ".HLP", or ".htm" where Windows has no
    ; WinHelp viewer.
    File "/oname=PanelDesk.HLP" "${HELP_FILE}"
    File "/oname=PanelDesk.htm" "${HTML_HELP}"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    ; The shortcut starts the program in its own folder.
    CreateShortcut "${SHORTCUT}" "$INSTDIR\PanelDesk.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\PanelDesk.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
!ifdef REGISTRY_VIEW
    SetRegView ${REGISTRY_VIEW}
!endif
    SetShellVarContext all
FunctionEnd

Section "Uninstall"
    Delete "${SHORTCUT}"
    Delete "$INSTDIR\PanelDesk.exe"
    Delete "$INSTDIR\mf40ctl.exe"
    Delete "$INSTDIR\PanelDesk.HLP"
    Delete "$INSTDIR\PanelDesk.htm"
    ; What the help viewer wrote beside the help file: its index and its full-text search.
    Delete "$INSTDIR\PanelDesk.GID"
    Delete "$INSTDIR\PanelDesk.FTS"
    Delete "$INSTDIR\PanelDesk.FTG"
    Delete "$INSTDIR\${UNINSTALLER}"
    ; Only when empty: files the user put there (saved phonebooks) stay.
    RMDir "$INSTDIR"
    ; The maker's folder goes too once nothing else is in it, but only the one this installer
    ; made: a folder the user chose is the user's.
    ${If} "$INSTDIR" == "${DEFAULT_FOLDER}"
        RMDir "${PROGRAM_FILES}\${PUBLISHER}"
    ${EndIf}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
