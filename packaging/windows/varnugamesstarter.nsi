; The Windows installer of Varnugames Starter: puts the program into Program Files, registers it
; as the handler of the "varnugamesstarter://" links that the publisher's web pages open, and
; adds the entry under Add/Remove Programs with an uninstaller that takes all of it away again.
;
;   makensis -DVG_PROGRAM=<VarnugamesStarter.exe> -DVG_PRODUCT_VERSION=<a.b.c.d>
;            -DVG_OUTPUT_FILE=<setup.exe> -DVG_TARGET=<x86-unicode|amd64-unicode>
;            [-DVG_PUBLISHER=...] [-DVG_PRODUCT_NAME=...] [-DVG_COPYRIGHT=...] [-DVG_ICON=...]
;            varnugamesstarter.nsi
;
; x86-unicode packs the shipped 32-bit program; amd64-unicode packs the 64-bit one into the
; 64-bit Program Files and registry. Both run silently with /S (the uninstaller too).

!ifndef VG_PROGRAM | VG_PRODUCT_VERSION | VG_OUTPUT_FILE | VG_TARGET
    !error "VG_PROGRAM, VG_PRODUCT_VERSION, VG_OUTPUT_FILE and VG_TARGET must be defined (-D)"
!endif
!ifndef VG_PUBLISHER
    !define VG_PUBLISHER "Varnugames"
!endif
!ifndef VG_PRODUCT_NAME
    !define VG_PRODUCT_NAME "Varnugames Starter"
!endif
!ifndef VG_COPYRIGHT
    !define VG_COPYRIGHT "Copyright (C) Varnugames. All rights reserved."
!endif
!ifndef VG_ICON
    !define VG_ICON "${__FILEDIR__}/../../src/platform/win32/resources/varnugames_starter.ico"
!endif

Unicode true
!if "${VG_TARGET}" == "amd64-unicode"
    Target amd64-unicode
    !define VG_PROGRAM_FILES "$PROGRAMFILES64"
    !define VG_REGISTRY_VIEW 64
!else if "${VG_TARGET}" == "x86-unicode"
    Target x86-unicode
    !define VG_PROGRAM_FILES "$PROGRAMFILES"
    !define VG_REGISTRY_VIEW 32
!else
    !error "VG_TARGET must be x86-unicode or amd64-unicode, not ${VG_TARGET}"
!endif

!define VG_EXE "VarnugamesStarter.exe"
!define VG_UNINSTALLER "uninstall.exe"
!define VG_PUBLISHER_FOLDER "Varnugames"
!define VG_SCHEME "varnugamesstarter"
; Per machine: HKCR shows HKLM\Software\Classes to every user who has no key of the same name.
!define VG_SCHEME_KEY "Software\Classes\${VG_SCHEME}"
!define VG_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VarnugamesStarter"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${VG_PRODUCT_NAME}"
OutFile "${VG_OUTPUT_FILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
InstallDir "${VG_PROGRAM_FILES}\${VG_PUBLISHER_FOLDER}\VarnugamesStarter"
; A reinstall goes where the last install went.
InstallDirRegKey HKLM "${VG_UNINSTALL_KEY}" "InstallLocation"
; A program file that cannot be replaced (a copy is running) stops the install instead of
; leaving the old one behind: Retry or Cancel on screen, a failed exit code when silent.
AllowSkipFiles off
ShowInstDetails show
ShowUninstDetails show

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "${VG_ICON}"
!define MUI_UNICON "${VG_ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback for systems in neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Korean"

LangString ProgramInUse ${LANG_ENGLISH} "${VG_PRODUCT_NAME} is running and cannot be removed. \
    Retry once it has finished."
LangString ProgramInUse ${LANG_KOREAN} "${VG_PRODUCT_NAME}가 실행 중이어서 지울 수 없습니다. \
    프로그램이 끝난 뒤 다시 시도하세요."

VIProductVersion "${VG_PRODUCT_VERSION}"
VIFileVersion "${VG_PRODUCT_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${VG_PRODUCT_NAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${VG_PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${VG_COPYRIGHT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${VG_PRODUCT_NAME} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VG_PRODUCT_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VG_PRODUCT_VERSION}"

Function .onInit
    SetRegView ${VG_REGISTRY_VIEW}
FunctionEnd

Function un.onInit
    SetRegView ${VG_REGISTRY_VIEW}
FunctionEnd

Section "Install"
    SetOutPath "$INSTDIR"
    File "/oname=${VG_EXE}" "${VG_PROGRAM}"
    WriteUninstaller "$INSTDIR\${VG_UNINSTALLER}"

    ; The handler of the links: the shell starts the program with the whole link, quoted, as its
    ; one argument.
    WriteRegStr HKLM "${VG_SCHEME_KEY}" "" "URL:Varnugames Starter Protocol"
    WriteRegStr HKLM "${VG_SCHEME_KEY}" "URL Protocol" ""
    WriteRegStr HKLM "${VG_SCHEME_KEY}\DefaultIcon" "" "$INSTDIR\${VG_EXE},0"
    WriteRegStr HKLM "${VG_SCHEME_KEY}\shell\open\command" "" '"$INSTDIR\${VG_EXE}" "%1"'

    ; Written last: the entry appears only once everything it removes is in place.
    WriteRegStr HKLM "${VG_UNINSTALL_KEY}" "DisplayName" "${VG_PRODUCT_NAME}"
    WriteRegStr HKLM "${VG_UNINSTALL_KEY}" "DisplayVersion" "${VG_PRODUCT_VERSION}"
    WriteRegStr HKLM "${VG_UNINSTALL_KEY}" "Publisher" "${VG_PUBLISHER}"
    WriteRegStr HKLM "${VG_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${VG_EXE},0"
    WriteRegStr HKLM "${VG_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${VG_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${VG_UNINSTALLER}"'
    WriteRegStr HKLM "${VG_UNINSTALL_KEY}" "QuietUninstallString" \
        '"$INSTDIR\${VG_UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${VG_UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${VG_UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${VG_UNINSTALL_KEY}" "EstimatedSize" $0

    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
    ; The program first: while a copy runs, nothing else is taken away.
    retry:
    ClearErrors
    Delete "$INSTDIR\${VG_EXE}"
    ${If} ${Errors}
        MessageBox MB_RETRYCANCEL|MB_ICONSTOP "$(ProgramInUse)" /SD IDCANCEL IDRETRY retry
        Abort
    ${EndIf}
    ; What a self-update leaves beside the program: the package it downloaded and the build it
    ; replaced.
    Delete "$INSTDIR\VarnugamesStarter.ex_"
    Delete "$INSTDIR\VarnugamesStarter.e__"
    Delete "$INSTDIR\${VG_UNINSTALLER}"
    RMDir "$INSTDIR"
    ; The publisher's folder too, when this was the last thing in it.
    ${GetParent} "$INSTDIR" $0
    ${GetFileName} "$0" $1
    ${If} $1 == "${VG_PUBLISHER_FOLDER}"
        RMDir "$0"
    ${EndIf}

    DeleteRegKey HKLM "${VG_SCHEME_KEY}"
    DeleteRegKey HKLM "${VG_UNINSTALL_KEY}"
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd
