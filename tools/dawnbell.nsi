; Dawnbell's per-user Windows installer. tools/package runs it:
;   makensis -DVERSION=1.0 -DFILEVERSION=1.0.0.0 -DPROGRAMS=<folder with the two exes>
;            -DICON=<program icon> -DOUTFILE=<setup.exe> dawnbell.nsi

Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!define PRODUCT "Dawnbell"
!define PUBLISHER "Larchworks"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dawnbell"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SERVICE_NAME "Dawnbell RunAtTime"
!define SERVICE_CLASS "DawnbellRunAtTime"
!define SERVICE_KEY "Software\Larchworks\Dawnbell RunAtTime"
!define SETTINGS_KEY "Software\Larchworks\Dawnbell"
!define SYNCHRONIZE_TERMINATE_QUERY 0x101001

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; Installing over an older version uses its folder, so an armed alarm's registered program path
; stays valid.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${FILEVERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\dawnbell.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your alarm settings stay unless you tick the box."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var serviceWasRunning

; Ends the run-at-time service: closing its window ends it cleanly. Waits for each process to
; be gone, since its file cannot be replaced or deleted before. Sets $0 to 1 when one ran.
!macro EndService un
Function ${un}EndService
  StrCpy $0 0
  ${For} $R9 1 10
    FindWindow $R0 "${SERVICE_CLASS}"
    ${If} $R0 == 0
      ${Break}
    ${EndIf}
    StrCpy $0 1
    System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R1)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE_TERMINATE_QUERY}, i 0, i R1) p .R2'
    SendMessage $R0 ${WM_CLOSE} 0 0 /TIMEOUT=3000
    ${If} $R2 <> 0
      System::Call 'kernel32::WaitForSingleObject(p R2, i 5000) i .R3'
      ${If} $R3 != 0
        System::Call 'kernel32::TerminateProcess(p R2, i 1)'
        System::Call 'kernel32::WaitForSingleObject(p R2, i 5000)'
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p R2)'
    ${Else}
      Sleep 500
    ${EndIf}
  ${Next}
FunctionEnd
!macroend
!insertmacro EndService ""
!insertmacro EndService "un."

; Ends every running dawnbell.exe. Closing its window is not enough: with the alarm armed it
; only hides. Its windows are the dialogs titled "Dawnbell"; the image name makes sure that
; only our program is ended.
!macro EndProgram un
Function ${un}EndProgram
  StrCpy $R5 0   ; the window to search after
  ${For} $R9 1 50
    FindWindow $R0 "#32770" "${PRODUCT}" 0 $R5
    ${If} $R0 == 0
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R1)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE_TERMINATE_QUERY}, i 0, i R1) p .R2'
    StrCpy $R5 $R0
    ${If} $R2 <> 0
      System::Call 'kernel32::QueryFullProcessImageNameW(p R2, i 0, w .R3, *i ${NSIS_MAX_STRLEN})'
      ${GetFileName} $R3 $R4
      ${If} $R4 == "dawnbell.exe"
        System::Call 'kernel32::TerminateProcess(p R2, i 0)'
        System::Call 'kernel32::WaitForSingleObject(p R2, i 5000)'
        StrCpy $R5 0   ; its windows are gone: search from the start again
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p R2)'
    ${EndIf}
  ${Next}
FunctionEnd
!macroend
!insertmacro EndProgram ""
!insertmacro EndProgram "un."

Section "${PRODUCT}" SecProgram
  SectionIn RO
  ; The service first, so that it cannot start the program again meanwhile.
  Call EndService
  StrCpy $serviceWasRunning $0
  Call EndProgram

  SetOutPath "$INSTDIR"
  File "${PROGRAMS}\dawnbell.exe"
  File "${PROGRAMS}\dawnbell_runat.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\dawnbell.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\dawnbell.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; The registrations an armed alarm left wait for the service: bring it back at once.
  ${If} $serviceWasRunning == 1
    Exec '"$INSTDIR\dawnbell_runat.exe"'
  ${EndIf}
SectionEnd

Section "un.${PRODUCT}" SecUnProgram
  SectionIn RO
  Call un.EndService
  Call un.EndProgram

  DeleteRegValue HKCU "${RUN_KEY}" "${SERVICE_NAME}"
  DeleteRegKey HKCU "${SERVICE_KEY}"
  Delete "$SMSTARTUP\DBELL.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\dawnbell.exe"
  Delete "$INSTDIR\dawnbell_runat.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Off by default, so a silent uninstall keeps the settings (unless given /REMOVESETTINGS).
Section /o "un.Remove my settings" SecUnSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\${PUBLISHER}"
SectionEnd

; "/REMOVESETTINGS" ticks the box for a silent uninstall too.
Function un.onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnSettings}
  ${EndIf}
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnProgram} "The programs, their shortcuts, the alarm registrations and the start at logon."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnSettings} "Also remove my settings: alarm time, sound and options."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
