; The sample disc's setup.exe: a real installer for the sample companion,
; built with NSIS 3 (makensis) and its Modern UI 2. Its wizard has four
; pages (welcome, folder, files, finish) and it installs orvik.exe into the
; folder chosen (Program Files\Orvik by default); its uninstaller asks, then
; removes everything setup made.
;
; What setup records is what the launcher reads (the same as the sample
; installer, install.cpp):
;   HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\orvik.exe
;       (default) = FOLDER\orvik.exe, Path = FOLDER\
;   HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Orvik
;       UninstallString = "FOLDER\uninst.exe", DisplayName = Orvik
;   WINDOWS\orvik.ini  [INSTALL] DIR=FOLDER\  (with its final backslash)
; The launcher takes the companion as installed while the App Paths entry is
; there, runs UninstallString for Uninstall and starts DIR's orvik.exe for
; Run.
;
; Built by samples/CMakeLists.txt:
;   makensis -DCOMPANION=PATH\orvik.exe -DOUTFILE=orvik_setup.exe orvik_setup.nsi
; with "-XTarget amd64-unicode" before the script for the 64-bit build tree,
; whose launcher (the bench's 64-bit vehicle) reads the registry's 64-bit
; view: that setup records there and installs under the 64-bit Program
; Files. A setup built for x86 (the default here, and the disc's) is a
; 32-bit program: on 64-bit Windows it records in the 32-bit view, which the
; shipped 32-bit launcher reads.
;
; The uninstaller, run as FOLDER\uninst.exe, copies itself to the temporary
; folder, starts the copy and ends; the launcher follows it to the copy and
; comes back when the copy's window has gone.

Unicode true
!include MUI2.nsh

!ifndef COMPANION
  !error "give the companion's program: -DCOMPANION=PATH\orvik.exe"
!endif
!ifndef OUTFILE
  !define OUTFILE orvik_setup.exe
!endif

!define APP_PATHS_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\orvik.exe"
!define UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Orvik"

Name "Orvik"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if ${NSIS_PTR_SIZE} > 4
  InstallDir "$PROGRAMFILES64\Orvik"
!else
  InstallDir "$PROGRAMFILES\Orvik"
!endif
; A second install goes where the first one went.
InstallDirRegKey HKLM "${APP_PATHS_KEY}" "Path"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

!macro REGISTRY_VIEW
  !if ${NSIS_PTR_SIZE} > 4
    SetRegView 64
  !endif
!macroend

Function .onInit
  !insertmacro REGISTRY_VIEW
FunctionEnd

Function un.onInit
  !insertmacro REGISTRY_VIEW
FunctionEnd

Section "Orvik"
  SetOutPath "$INSTDIR"
  File "/oname=orvik.exe" "${COMPANION}"
  WriteUninstaller "$INSTDIR\uninst.exe"
  WriteINIStr "$WINDIR\orvik.ini" "INSTALL" "DIR" "$INSTDIR\"
  WriteRegStr HKLM "${APP_PATHS_KEY}" "" "$INSTDIR\orvik.exe"
  WriteRegStr HKLM "${APP_PATHS_KEY}" "Path" "$INSTDIR\"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Orvik"
SectionEnd

; $INSTDIR is the folder the uninstaller was run from (the copy is told it).
Section "Uninstall"
  DeleteRegKey HKLM "${APP_PATHS_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$WINDIR\orvik.ini"
  Delete "$INSTDIR\orvik.exe"
  Delete "$INSTDIR\uninst.exe"
  RMDir "$INSTDIR"
SectionEnd
