; Per-user installer of 咕噜兽: no administrator rights, everything under the current user's profile and HKCU.
; Built by scripts/package: makensis -INPUTCHARSET UTF8 -DVERSION=… -DPET_EXE=… -DICON=… -DSIDE_BITMAP=… -DOUTFILE=… [-DSIGN_COMMAND=…]
; A 64-bit Unicode installer: the program runs on 64-bit Windows only.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!macro REQUIRE_DEFINE name
  !ifndef ${name}
    !error "${name} must be defined on the makensis command line"
  !endif
!macroend
!insertmacro REQUIRE_DEFINE VERSION
!insertmacro REQUIRE_DEFINE PET_EXE
!insertmacro REQUIRE_DEFINE ICON
!insertmacro REQUIRE_DEFINE SIDE_BITMAP
!insertmacro REQUIRE_DEFINE OUTFILE

!define PRODUCT_NAME "咕噜兽"
!define PUBLISHER "Kiv"
!define EXE_NAME "MossquillDesktopPet.exe"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT_NAME}.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\MossquillDesktopPet"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "MossquillDesktopPet"
!define STATE_KEY "Software\Kiv\MossquillDesktopPet"
; The running pet: its window (closed like the user closes it, so it saves) and its single-instance mutex.
!define PET_WINDOW_CLASS "MossquillDesktopPetWindowV5"
!define PET_MUTEX "Local\MossquillDesktopPetV5"

!include "MUI2.nsh"
!include "nsDialogs.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\MossquillDesktopPet"
; An update goes where the previous version is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT_NAME} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

!ifdef SIGN_COMMAND
  ; The uninstaller is written into the installer, so it is signed before that happens.
  !uninstfinalize '${SIGN_COMMAND} "%1"'
!endif

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT_NAME} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDE_BITMAP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${SIDE_BITMAP}"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "这个向导将把咕噜兽 ${VERSION} 安装到你的电脑上，不需要管理员权限。$\r$\n$\r$\n如果咕噜兽正在桌面上，安装程序会先让它休息一下；它的能量、成长、位置和好友都会保留。$\r$\n$\r$\n点击 [下一步(N)] 继续。"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE_NAME}"
!define MUI_FINISHPAGE_RUN_TEXT "启动咕噜兽"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
UninstPage custom un.KeepStatePage un.KeepStatePageLeave
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "SimpChinese"

Var PetWasRunning
Var RemoveState
Var RemoveStateCheckbox

; Closes every running pet the way the user does (its window gets WM_CLOSE, it saves its state and ends),
; waits for the process and its mutex to go, and asks the user when a pet does not end. Sets $PetWasRunning.
!macro DEFINE_CLOSE_RUNNING_PET prefix
Function ${prefix}CloseRunningPet
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $PetWasRunning 0
  StrCpy $3 0
  again:
    FindWindow $0 "${PET_WINDOW_CLASS}"
    ${If} $0 <> 0
      StrCpy $PetWasRunning 1
      System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1) i"
      System::Call "kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2"
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
      ${If} $2 P<> 0
        System::Call "kernel32::WaitForSingleObject(p r2, i 15000) i"
        System::Call "kernel32::CloseHandle(p r2)"
      ${EndIf}
      IsWindow $0 stuck
      Goto again
    ${EndIf}
    ; No window, but a pet may still be starting or ending: its mutex tells.
    System::Call "kernel32::OpenMutexW(i 0x00100000, i 0, w '${PET_MUTEX}') p .r2"
    ${If} $2 P= 0
      Goto done
    ${EndIf}
    System::Call "kernel32::CloseHandle(p r2)"
    IntOp $3 $3 + 1
    ${If} $3 < 40
      Sleep 250
      Goto again
    ${EndIf}
  stuck:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "咕噜兽还没有退出。请右键点击咕噜兽，选择“让咕噜兽休息”，然后点击“重试”。" \
      /SD IDCANCEL IDRETRY retry
    Abort "咕噜兽还在运行，无法继续。"
  retry:
    StrCpy $3 0
    Goto again
  done:
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING_PET ""
!insertmacro DEFINE_CLOSE_RUNNING_PET "un."

Section "Install"
  SetShellVarContext current
  Call CloseRunningPet
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=${EXE_NAME}" "${PET_EXE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\${EXE_NAME}" "" "$INSTDIR\${EXE_NAME}" 0 SW_SHOWNORMAL "" "${PRODUCT_NAME}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE_NAME},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"

  ; A silent update brings back the pet it had to close; an interactive one offers to on its last page.
  ${If} ${Silent}
  ${AndIf} $PetWasRunning = 1
    Exec '"$INSTDIR\${EXE_NAME}"'
  ${EndIf}
SectionEnd

Function un.KeepStatePage
  !insertmacro MUI_HEADER_TEXT "咕噜兽的记忆" "卸载后是否保留咕噜兽的状态"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 48u "咕噜兽的能量、成长、外观、位置、提醒设置和联机身份（好友配对）保存在当前用户的注册表中。默认会保留它们，以后重新安装咕噜兽时一切照旧。"
  Pop $0
  ${NSD_CreateCheckbox} 0 56u 100% 12u "同时删除咕噜兽的状态和联机身份"
  Pop $RemoveStateCheckbox
  ${NSD_SetState} $RemoveStateCheckbox $RemoveState
  nsDialogs::Show
FunctionEnd

Function un.KeepStatePageLeave
  ${NSD_GetState} $RemoveStateCheckbox $RemoveState
FunctionEnd

Function un.onInit
  StrCpy $RemoveState ${BST_UNCHECKED}
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  Call un.CloseRunningPet
  Delete "${SHORTCUT}"

  ; The start-up entry goes when it starts this copy; one that names another copy is the user's own.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 == '"$INSTDIR\${EXE_NAME}"'
  ${OrIf} $0 == "$INSTDIR\${EXE_NAME}"
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ${If} $RemoveState = ${BST_CHECKED}
    DeleteRegKey HKCU "${STATE_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Kiv"
  ${EndIf}

  ; The folder goes last, so that its absence means the uninstaller has done everything.
  Delete "$INSTDIR\${EXE_NAME}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
SectionEnd
