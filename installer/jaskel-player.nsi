; Jaskel Player setup: a per-machine install under Program Files, the update hand-off that the
; player's updater starts ("/AUTO"), the Windows 11 context-menu package, and the uninstaller.
; installer/build_installer.py passes the defines:
;   JK_VERSION          the program's version ("0.6.8"): the probe, the records, the uninstall entry
;   JK_PACKAGE_VERSION  the context-menu package's version ("0.6.8.0"), also its folder's name
;   JK_PACKAGE_NAME     the package's identity name
;   JK_PUBLISHER        the package's publisher, the signing certificate's subject
;   JK_PUBLISHER_NAME   the publisher as people read it
;   JK_STAGE            folder with the signed binaries, the signed package and media_types.nsh
;   JK_ICON             the program's icon
;   JK_OUT              the installer file to write
;   JK_SIGN             (optional) a command that signs a file in place, given its path after it
;
; What one run does, in order: close the running player (asked to close by its window class, then
; waited for); mark the program folder with ".jk-installing"; unpack the new files beside the old
; ones (".jk-new"); move the old ones aside (".jk-old") and the new ones in; start the new program
; with "--jk-upd-probe VERSION" and read its ".jk-probe"; on success write the uninstall entry,
; the "Open with" entries, the shortcut and the context-menu package, on failure put the old files
; back; record the outcome in HKLM\Software\Jaskel\player\Update ("LastResult", "LastTarget");
; remove the marker; with /AUTO start the program again. The words of "LastResult" are listed in
; README.md.

Unicode true
Target amd64-unicode
RequestExecutionLevel admin
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include "${JK_STAGE}\media_types.nsh"

!define PRODUCT "Jaskel Player"
!define PLAYER_EXE "Jaskel Player.exe"
!define REGISTRAR_EXE "menu-registrar.exe"
!define LIBRARY_DLL "jaskel-player-win11.dll"
!define PACKAGE_FILE "jaskel-player-win11.msix"
!define UNINSTALLER "uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\5e2a41d7-jaskel-player"
!define MENU_KEY "Software\Jaskel\Player\Win11Menu"
!define MENU_STATE_KEY "Software\Jaskel\Player\Win11Menu\State"
!define UPDATE_KEY "Software\Jaskel\player\Update"
!define PRODUCT_KEY "Software\Jaskel\Player"
!define CAPABILITIES_KEY "Software\Jaskel\Player\Capabilities"
!define PROGID "JaskelPlayer.Media"
!define PLAYER_CLASS "JaskelMFPlayer"
!define MENU_CLSID "{F5347F30-61EF-5F69-BC99-C6AC47C37593}"
!define SETUP_MUTEX "Jaskel.Player.Setup"
!define SYNCHRONIZE 0x00100000
!define CLOSE_WAIT_MS 20000
!define PROBE_WAIT_MS 60000
!define MAX_CLOSE_ROUNDS 32
!define EXIT_FAILED 3

Name "${PRODUCT}"
OutFile "${JK_OUT}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An update goes where the last installation went; /D= still overrides it.
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${JK_VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${JK_PACKAGE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${JK_PUBLISHER_NAME}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${JK_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${JK_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${JK_PUBLISHER_NAME}"

!ifdef JK_SIGN
  !finalize `${JK_SIGN} "%1"`
  !uninstfinalize `${JK_SIGN} "%1"`
!endif

!define MUI_ICON "${JK_ICON}"
!define MUI_UNICON "${JK_ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartPlayer
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var Auto        ; 1 when started by the updater with /AUTO
Var Result      ; the word recorded in "LastResult"
Var HadPrevious ; 1 when a previous program was in place before this run
Var MenuDir     ; the context-menu package's folder: the external location of the package

; ---------------------------------------------------------------------------------------------
; Shared by the installer and the uninstaller.

; Asks every running player window to close, then waits for its process to end. $0 = "ok" or
; "not-closed". The person is told first when a window shows; a silent run proceeds at once and
; gives up on a player that does not end in time rather than ending it by force.
!macro DEFINE_CLOSE_PLAYERS UN
Function ${UN}ClosePlayers
  StrCpy $0 "ok"
  System::Call 'user32::FindWindowW(w "${PLAYER_CLASS}", p 0) p .r1'
  ${If} $1 P= 0
    Return
  ${EndIf}
  MessageBox MB_OKCANCEL|MB_ICONINFORMATION "${PRODUCT} is open and will be closed now." /SD IDOK IDOK ask_to_close
  StrCpy $0 "not-closed"
  Return
ask_to_close:
  StrCpy $3 0
  ${Do}
    System::Call 'user32::FindWindowW(w "${PLAYER_CLASS}", p 0) p .r1'
    ${If} $1 P= 0
      StrCpy $0 "ok"
      ${Break}
    ${EndIf}
    IntOp $3 $3 + 1
    ${If} $3 > ${MAX_CLOSE_ROUNDS}
      StrCpy $0 "not-closed"
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r2) p .r4'
    System::Call 'user32::PostMessageW(p r1, i ${WM_CLOSE}, p 0, p 0)'
    ${If} $4 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r4, i ${CLOSE_WAIT_MS}) i .r5'
      System::Call 'kernel32::CloseHandle(p r4)'
    ${Else}
      Sleep 1000
    ${EndIf}
    System::Call 'user32::IsWindow(p r1) i .r5'
    ${If} $5 <> 0
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} did not close. Close it, then choose Retry." \
        /SD IDCANCEL IDRETRY retry_close
      StrCpy $0 "not-closed"
      ${Break}
    retry_close:
    ${EndIf}
  ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_PLAYERS ""
!insertmacro DEFINE_CLOSE_PLAYERS "un."

; ---------------------------------------------------------------------------------------------
; Installer

Function .onInit
  SetRegView 64
  StrCpy $Auto 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AUTO" $R1
  ${IfNot} ${Errors}
    ; The person agreed in the player's update window; the player shows the progress.
    StrCpy $Auto 1
    SetSilent silent
  ${EndIf}
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${SETUP_MUTEX}") p .r0 ?e'
  Pop $1
  ${If} $1 = 183 ; ERROR_ALREADY_EXISTS
    MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} Setup is already running." /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
FunctionEnd

; Starts the program as the person's own shell would, so that it does not inherit this
; process's administrator rights: Explorer starts it when given its path.
Function StartPlayer
  ${If} ${FileExists} "$WINDIR\explorer.exe"
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\${PLAYER_EXE}"'
  ${Else}
    Exec '"$INSTDIR\${PLAYER_EXE}"'
  ${EndIf}
FunctionEnd

; Runs the command line in $1 and waits at most PROBE_WAIT_MS. $2 = its exit code, "timeout"
; (it was ended) or "no-start".
Function RunAndWait
  System::Alloc 104 ; STARTUPINFOW
  Pop $5
  System::Call '*$5(i 104)'
  System::Alloc 24 ; PROCESS_INFORMATION
  Pop $6
  System::Call 'kernel32::CreateProcessW(p 0, w r1, p 0, p 0, i 0, i 0, p 0, p 0, p r5, p r6) i .r7'
  ${If} $7 = 0
    StrCpy $2 "no-start"
  ${Else}
    System::Call '*$6(p .r8, p .r9)'
    System::Call 'kernel32::WaitForSingleObject(p r8, i ${PROBE_WAIT_MS}) i .r7'
    ${If} $7 = 0
      System::Call 'kernel32::GetExitCodeProcess(p r8, *i .r2)'
    ${Else}
      System::Call 'kernel32::TerminateProcess(p r8, i 1)'
      System::Call 'kernel32::WaitForSingleObject(p r8, i 5000)'
      StrCpy $2 "timeout"
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r8)'
    System::Call 'kernel32::CloseHandle(p r9)'
  ${EndIf}
  System::Free $5
  System::Free $6
FunctionEnd

; A fresh ".jk-installing" (the player's start refuses while it is younger than 30 minutes).
; $0 = "ok" or "stage-failed".
Function WriteInstallingMarker
  CreateDirectory "$INSTDIR"
  ClearErrors
  FileOpen $9 "$INSTDIR\.jk-installing" w
  ${If} ${Errors}
    StrCpy $0 "stage-failed"
    Return
  ${EndIf}
  FileWrite $9 "${JK_VERSION}$\r$\n"
  FileClose $9
  StrCpy $0 "ok"
FunctionEnd

; Unpacks the new program files into ".jk-new"; nothing in use is touched yet.
Function StageNewFiles
  RMDir /r "$INSTDIR\.jk-new"
  ClearErrors
  CreateDirectory "$INSTDIR\.jk-new"
  SetOutPath "$INSTDIR\.jk-new"
  File "${JK_STAGE}\${PLAYER_EXE}"
  File "${JK_STAGE}\${REGISTRAR_EXE}"
  WriteUninstaller "$INSTDIR\.jk-new\${UNINSTALLER}"
  SetOutPath "$INSTDIR"
  StrCpy $0 "ok"
  ${If} ${Errors}
    StrCpy $0 "stage-failed"
  ${EndIf}
FunctionEnd

; Renames work on files that are still mapped, and each one is undone by another rename.
!macro SWAP_IN NAME
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    Rename "$INSTDIR\${NAME}" "$INSTDIR\.jk-old\${NAME}"
  ${EndIf}
  Rename "$INSTDIR\.jk-new\${NAME}" "$INSTDIR\${NAME}"
!macroend

!macro PUT_BACK NAME
  ${If} ${FileExists} "$INSTDIR\.jk-old\${NAME}"
    Delete "$INSTDIR\${NAME}"
    Rename "$INSTDIR\.jk-old\${NAME}" "$INSTDIR\${NAME}"
  ${EndIf}
!macroend

; Puts the files moved aside back. $0 = "ok" or "restore-failed".
Function PutBackPreviousFiles
  ClearErrors
  !insertmacro PUT_BACK "${PLAYER_EXE}"
  !insertmacro PUT_BACK "${REGISTRAR_EXE}"
  !insertmacro PUT_BACK "${UNINSTALLER}"
  StrCpy $0 "ok"
  ${If} ${Errors}
    StrCpy $0 "restore-failed"
  ${EndIf}
FunctionEnd

; Moves the previous files to ".jk-old" and the new ones into place. $0 = "ok", or
; "stage-failed" after the previous files were put back, or "restore-failed" when that failed.
Function SwapInNewFiles
  RMDir /r "$INSTDIR\.jk-old"
  CreateDirectory "$INSTDIR\.jk-old"
  StrCpy $HadPrevious 0
  ${If} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
    StrCpy $HadPrevious 1
  ${EndIf}
  ClearErrors
  !insertmacro SWAP_IN "${PLAYER_EXE}"
  !insertmacro SWAP_IN "${REGISTRAR_EXE}"
  !insertmacro SWAP_IN "${UNINSTALLER}"
  ${IfNot} ${Errors}
    StrCpy $0 "ok"
    Return
  ${EndIf}
  Call PutBackPreviousFiles
  ${If} $0 == "ok"
    StrCpy $0 "stage-failed"
  ${EndIf}
FunctionEnd

; Starts the new program in probe mode: it proves it starts and paints, and answers in
; ".jk-probe" with exactly "ok VERSION" and a line feed. $0 = "ok" or "probe-failed".
Function ProbeNewProgram
  Delete "$INSTDIR\.jk-probe"
  StrCpy $1 '"$INSTDIR\${PLAYER_EXE}" --jk-upd-probe ${JK_VERSION}'
  Call RunAndWait
  DetailPrint "Probe of the new program: exit $2"
  StrCpy $0 "probe-failed"
  ${If} $2 S== "0"
    ClearErrors
    FileOpen $3 "$INSTDIR\.jk-probe" r
    ${IfNot} ${Errors}
      FileRead $3 $4
      ClearErrors
      FileRead $3 $5
      ${If} ${Errors} ; nothing after the one line
      ${AndIf} $4 S== "ok ${JK_VERSION}$\n"
        StrCpy $0 "ok"
      ${EndIf}
      FileClose $3
    ${EndIf}
  ${EndIf}
  Delete "$INSTDIR\.jk-probe"
FunctionEnd

; After a failed probe. $0 = "reverted", "restore-failed", or "revert-unsafe" when there was no
; previous program to go back to (the new files then stay).
Function RollBack
  ${If} $HadPrevious <> 1
    StrCpy $0 "revert-unsafe"
    Return
  ${EndIf}
  Call PutBackPreviousFiles
  ${If} $0 == "ok"
    StrCpy $0 "reverted"
  ${EndIf}
FunctionEnd

Function WriteUninstallEntry
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${JK_VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${JK_PUBLISHER_NAME}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${PLAYER_EXE},0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $1
FunctionEnd

; "Open with" for every accepted type, and the player among the default-app choices; the
; types' own defaults stay as they are.
!macro OFFER_TYPE EXT
  WriteRegStr HKLM "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKLM "Software\Classes\Applications\${PLAYER_EXE}\SupportedTypes" "${EXT}" ""
  WriteRegStr HKLM "${CAPABILITIES_KEY}\FileAssociations" "${EXT}" "${PROGID}"
!macroend

Function WriteOpenWith
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "Media file (${PRODUCT})"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\${PLAYER_EXE},0"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\${PLAYER_EXE}" "%1"'
  WriteRegStr HKLM "Software\Classes\Applications\${PLAYER_EXE}" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr HKLM "Software\Classes\Applications\${PLAYER_EXE}\shell\open\command" "" \
    '"$INSTDIR\${PLAYER_EXE}" "%1"'
  WriteRegStr HKLM "${CAPABILITIES_KEY}" "ApplicationName" "${PRODUCT}"
  WriteRegStr HKLM "${CAPABILITIES_KEY}" "ApplicationDescription" "Plays video and audio files."
  !insertmacro JK_FOR_EACH_MEDIA_TYPE OFFER_TYPE
  WriteRegStr HKLM "Software\RegisteredApplications" "${PRODUCT}" "${CAPABILITIES_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)' ; SHCNE_ASSOCCHANGED
FunctionEnd

; Runs the registrar in the program folder with the arguments in $1; $2 = its exit code.
Function RunRegistrar
  ExecWait '"$INSTDIR\${REGISTRAR_EXE}" $1' $2
  DetailPrint "menu-registrar $1: $2"
FunctionEnd

; The context-menu package: its folder is made (or found) locked for administrators before the
; library goes in, then the registrar learns where things are and registers the package for
; the installing person (every other person's player does it at its next start). Old version
; folders that nothing registered uses go. A failure leaves the earlier values in place.
Function InstallContextMenu
  StrCpy $MenuDir "$INSTDIR\win11menu\${JK_PACKAGE_VERSION}"
  CreateDirectory "$INSTDIR\win11menu"
  StrCpy $1 'stoplock "${MENU_CLSID}"'
  Call RunRegistrar
  StrCpy $1 'secure "$MenuDir"'
  Call RunRegistrar
  ${If} $2 <> 0
    ; A folder of this version that is not locked is not trusted: make it anew.
    RMDir /r "$MenuDir"
    Call RunRegistrar
  ${EndIf}
  ${If} $2 <> 0
    DetailPrint "The context-menu folder could not be secured; the menu entry is left as it was."
    Return
  ${EndIf}
  ClearErrors
  SetOutPath "$MenuDir"
  File "${JK_STAGE}\${LIBRARY_DLL}"
  File "${JK_STAGE}\${PACKAGE_FILE}"
  SetOutPath "$INSTDIR"
  ${If} ${Errors}
    DetailPrint "The context-menu library could not be written; the menu entry is left as it was."
    Return
  ${EndIf}
  System::Call 'ole32::CoCreateGuid(g .r3)'
  StrCpy $4 "${JK_PACKAGE_NAME}|${JK_PUBLISHER}|${JK_PACKAGE_VERSION}|$MenuDir\${PACKAGE_FILE}|$MenuDir|${MENU_STATE_KEY}|$3"
  WriteRegStr HKLM "${MENU_KEY}" "Ctl" "$INSTDIR\${REGISTRAR_EXE}"
  WriteRegStr HKLM "${MENU_KEY}" "Cfg" "$4"
  StrCpy $1 'register "$4"'
  Call RunRegistrar
  StrCpy $1 'prune "$4" "${JK_PACKAGE_VERSION}"'
  Call RunRegistrar
FunctionEnd

Function WriteRecords
  WriteRegStr HKLM "${UPDATE_KEY}" "LastResult" "$Result"
  WriteRegStr HKLM "${UPDATE_KEY}" "LastTarget" "${JK_VERSION}"
  DetailPrint "Result: $Result"
FunctionEnd

; Replaces the program files and proves the new program. $Result = the outcome word.
Function ReplaceProgram
  Call WriteInstallingMarker
  ${If} $0 != "ok"
    StrCpy $Result $0
    Return
  ${EndIf}
  Call StageNewFiles
  ${If} $0 == "ok"
    Call SwapInNewFiles
  ${EndIf}
  ${If} $0 != "ok"
    StrCpy $Result $0
    Return
  ${EndIf}
  Call ProbeNewProgram
  ${If} $0 == "ok"
    StrCpy $Result "ok"
    Return
  ${EndIf}
  Call RollBack
  StrCpy $Result $0
FunctionEnd

Section "-Install"
  SetRegView 64
  SetShellVarContext all
  Call ClosePlayers
  ${If} $0 != "ok"
    StrCpy $Result "not-closed"
  ${Else}
    Call ReplaceProgram
    RMDir /r "$INSTDIR\.jk-new"
    ; Previous files that could not be put back stay where they are, for whoever repairs this.
    ${If} $Result != "restore-failed"
      RMDir /r "$INSTDIR\.jk-old"
    ${EndIf}
  ${EndIf}
  ${If} $Result == "ok"
    Call WriteUninstallEntry
    Call WriteOpenWith
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PLAYER_EXE}"
    Call InstallContextMenu
  ${EndIf}
  Call WriteRecords
  Delete "$INSTDIR\.jk-installing"
  ; The updater closed the player for this run: bring it back, new or restored.
  ${If} $Auto = 1
  ${AndIf} $Result != "not-closed"
  ${AndIf} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
    Call StartPlayer
  ${EndIf}
  ${If} $Result != "ok"
    SetErrorLevel ${EXIT_FAILED}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} ${JK_VERSION} could not be installed ($Result)." /SD IDOK
    Abort
  ${EndIf}
SectionEnd

; ---------------------------------------------------------------------------------------------
; Uninstaller

!macro WITHDRAW_TYPE EXT
  DeleteRegValue HKLM "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
!macroend

Function un.onInit
  SetRegView 64
FunctionEnd

Function un.RunRegistrar
  ExecWait '"$INSTDIR\${REGISTRAR_EXE}" $1' $2
  DetailPrint "menu-registrar $1: $2"
FunctionEnd

; The package goes for every person, the surrogates that hold the library end, and the version
; folders that nothing registered uses go; whatever the platform refused is removed below.
Function un.RemoveContextMenu
  ReadRegStr $4 HKLM "${MENU_KEY}" "Cfg"
  ${If} $4 != ""
    StrCpy $1 'unregister "$4" --all-users'
    Call un.RunRegistrar
  ${EndIf}
  StrCpy $1 'stoplock "${MENU_CLSID}"'
  Call un.RunRegistrar
  ${If} $4 != ""
    StrCpy $1 'prune "$4"'
    Call un.RunRegistrar
  ${EndIf}
  RMDir /r "$INSTDIR\win11menu"
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Call un.ClosePlayers
  ${If} $0 != "ok"
    SetErrorLevel ${EXIT_FAILED}
    Abort "${PRODUCT} is still open."
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\${REGISTRAR_EXE}"
    Call un.RemoveContextMenu
  ${EndIf}
  Delete "$INSTDIR\${PLAYER_EXE}"
  Delete "$INSTDIR\${REGISTRAR_EXE}"
  Delete "$INSTDIR\.jk-installing"
  Delete "$INSTDIR\.jk-probe"
  RMDir /r "$INSTDIR\.jk-old"
  RMDir /r "$INSTDIR\.jk-new"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  !insertmacro JK_FOR_EACH_MEDIA_TYPE WITHDRAW_TYPE
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "Software\Classes\Applications\${PLAYER_EXE}"
  DeleteRegValue HKLM "Software\RegisteredApplications" "${PRODUCT}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  ; The menu values, the capabilities and the update records all live under the product's key.
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Jaskel"
  DeleteRegKey HKCU "${MENU_STATE_KEY}"
  DeleteRegKey /ifempty HKCU "${MENU_KEY}"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
